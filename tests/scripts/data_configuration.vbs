' The configuration record (Confi), the hotel table and its folios (Tab_ht) and the catalogue of
' configuration tables (TabConf), read from a fresh demo database (the third argument).
Option Explicit
Dim failures, db, user, pass, c, r, t, f, tc, entry
failures = 0

Sub Check(ok, what)
  If Not ok Then
    failures = failures + 1
    WScript.Echo "FAILED: " & what
  End If
End Sub

db = WScript.Arguments(2)
user = "CAJERO"
pass = "secreto"

' Confi: one query, 221 fields moved into the record by position and type.
Set c = CreateObject("HALVORA.Confi")
On Error Resume Next
c.GetConfiConfig
Check Err.Number = 91, "reading before connecting is object-not-set, got " & Err.Number
On Error GoTo 0
Check c.TelvarConectarLobix(db, user, pass), "Confi connected"
Check user = "CAJERO" And pass = "secreto", "user and password come back unchanged"
c.cgcasa = "CASA 1"
c.GetConfiConfig
Set r = c.Confi_Sdk_Info
Check r.Campo068 = "HOTEL CASA DEL LAGO", "the hotel's name"
Check r.Campo127 = "AV. DEL LAGO 120" And r.Campo128 = "CHAPALA, JALISCO", "its address"
Check r.Campo000 = 1 And VarType(r.Campo000) = 3, "the record number is a Long"
Check r.Campo029 = 16 And VarType(r.Campo029) = 5, "the tax rate is a Double"
Check r.Campo183 = True And VarType(r.Campo183) = 11, "item 11 is a Boolean"
Check r.Campo206 = False, "an unset Boolean reads back false"
Check r.Campo165 = "MXN", "the last item"
Check c.cgcasa = "CASA 1", "cgcasa is the host's own"
c.GetConfiConfig
Check Not (c.Confi_Sdk_Info Is r), "every read gives a new record"
Check r.Campo068 = "HOTEL CASA DEL LAGO", "the record taken before keeps its values"
c.TelvarDesconectar
c.GetConfiConfig
Check c.Confi_Sdk_Info.Campo068 = "HOTEL CASA DEL LAGO", "queries still work after TelvarDesconectar"

' Tab_ht: the hotel record, its 80 raw fields, and folios that advance.
Set t = CreateObject("HALVORA.Tab_ht")
Check t.TelvarConectarLobix(db, user, pass), "Tab_ht connected"
Check t.ListaResultados.Count = 0, "an empty list after connecting"
t.GetTabHtConfig
Check t.ListaResultados.Count = 80, "80 fields, got " & t.ListaResultados.Count
Check t.ListaResultados(3) = "CASA DEL LAGO", "a list item read through the collection's default"
Set r = t.Tab_Ht_SDK_Info
Check r.Campo033 = 10 And r.Campo047 = 4, "rooms and rooms occupied"
Check r.Campo028 = "CASA DEL LAGO" And r.Campo002 = "CHAPALA", "names"
Check r.Campo037 = True, "a Boolean item"
Check VarType(r.Campo001) = 7 And CDbl(r.Campo001) = 45662, "the audit date is a Date"
Check CDbl(r.Campo018) = 45658 And CDbl(r.Campo019) = 45292 And CDbl(r.Campo020) = 45657, _
  "the other dates"
Check r.Campo000 = 1 And VarType(r.Campo000) = 3, "item 38 is the Long"
f = t.GetFolioTab_Ht(5)
Check VarType(f) = 2, "a folio is an Integer"
Check f = 1, "the first folio of a new series, got " & f
Check t.GetFolioTab_Ht(5) = 2, "asking again advances it"
Check t.GetFolioTab_Ht(7) = 1, "each operation type counts on its own"

' TabConf: the catalogue, both translations and one entry read as a record.
Set tc = CreateObject("HALVORA.TABCONF")
Check tc.TelvarConectarLobix(db, user, pass), "TabConf connected"
tc.GetListTabConf
Check tc.ListaResultadosTabConf.Count = 3, "three tables, got " & tc.ListaResultadosTabConf.Count
entry = tc.ListaResultadosTabConf.Item(1)
Check tc.GetCvetabByTipo("PAGO") = "FP", "the key of a type"
Check tc.GetTipoByCvetab("EH") = "ESTADO", "the type of a key"
Check tc.GetCvetabByTipo("NINGUNO") = "", "an unknown type has no key"
Check tc.ListaResultadosTabConf.Count = 3, "translations leave the list alone"
On Error Resume Next
tc.GetEntityObject
Check Err.Number = 91, "no record list before GetListaResultadosTabConf, got " & Err.Number
On Error GoTo 0
Check tc.GetListaResultadosTabConf(entry, "|") Is Nothing, "the split hands back no collection"
tc.GetEntityObject
Set r = tc.TABCONF_SDK_Info
Check r.Campo000 = 1 And r.Campo013 = 10, "the Longs"
Check r.Campo001 = "TH" And r.Campo002 = "HABITACION", "key and type"
Check r.Campo003 = "Tipos de habitacion", "description"
Check r.Campo005 = False And VarType(r.Campo005) = 11, "a Boolean"

WScript.Echo failures & " failure(s)"
WScript.Quit failures
