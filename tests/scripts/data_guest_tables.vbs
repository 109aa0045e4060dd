' The guest master (MASHUE72), guests' commercial information (InfCom) and the state tables
' (TAB_EST) read from a fresh demo database (the third argument).
Option Explicit
Dim failures, db, user, pass, m, r, i, s
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

' MASHUE72: every record, a search by example, and one entry read as a record.
Set m = CreateObject("HALVORA.MASHUE72")
Check m.TelvarConectarLobix(db, user, pass), "MASHUE72 connected"
Check m.Lista_Resultados.Count = 0, "an empty list after connecting"
m.GetEntityObject
Check m.MASHUE72_SDK_Info.Campo006 = "", "an empty record list leaves a blank record"
m.getDataMASHUE72
Check m.Lista_Resultados.Count = 4, "four guests, got " & m.Lista_Resultados.Count
m.MASHUE72_SDK_Info.Campo004 = "MUNICH"
m.MASHUE72_FindBy
Check m.Lista_Resultados.Count = 1, "one guest from Munich, got " & m.Lista_Resultados.Count
Check m.GetListaResultados(m.Lista_Resultados.Item(1), "|") Is Nothing, "no collection back"
m.GetEntityObject
Set r = m.MASHUE72_SDK_Info
Check r.Campo006 = "KLAUS MULLER", "the name"
Check r.Campo000 = 4 And VarType(r.Campo000) = 3, "the number is a Long"
Check r.Campo001 = 1004 And r.Campo002 = 202, "guest number and room"
Check r.Campo003 = 1 And r.Campo005 = 3, "visits and nights"
Check r.Campo007 = "k.mueller@post.de", "the mail address"
m.MASHUE72_SDK_Info.Campo004 = "NOWHERE"
m.MASHUE72_FindBy
Check m.Lista_Resultados.Count = 0, "no guest from nowhere"

' InfCom: the records of one guest and status.
Set i = CreateObject("HALVORA.INFCOM")
Check i.TelvarConectarLobix(db, user, pass), "InfCom connected"
Check i.INFCOM_SDK_Info Is Nothing And i.ResultadoInfCom Is Nothing, "no record, no fields yet"
On Error Resume Next
i.GetEntityObject
Check Err.Number = 91, "no fields to read, got " & Err.Number
On Error GoTo 0
Check Not (i.INFCOM_SDK_Info Is Nothing), "the record was replaced before that failure"
i.GetInfConfByNumHuest 1001, "A"
Check i.ListaResultadoInfCom.Count = 2, "two companies of guest 1001"
i.GetListaResultados i.ListaResultadoInfCom.Item(1), "|"
Check i.ResultadoInfCom.Count = 18, "18 fields, got " & i.ResultadoInfCom.Count
i.GetEntityObject
Set r = i.INFCOM_SDK_Info
Check r.Campo002 = "TEQUILERA DEL VALLE SA DE CV" And r.Campo003 = "TVA950612QW3", "the company"
Check r.Campo007 = "ANA LOPEZ GARCIA", "the contact"
Check r.Campo011 = 50000 And r.Campo012 = 10, "credit limit and discount"
Check r.Campo016 = True And VarType(r.Campo016) = 11, "active"
Check r.Campo000 = 1 And VarType(r.Campo000) = 3, "the number"
i.GetInfConfByNumHuest 1002, "A"
Check i.ListaResultadoInfCom.Count = 0, "guest 1002 has none"

' TAB_EST: the states of one table type.
Set s = CreateObject("HALVORA.TAB_EST")
Check s.TelvarConectarLobix(db, user, pass), "TAB_EST connected"
s.GetEntityObject
Check s.Tab_Est_Sdk_Info.Campo043 = "", "an empty field list leaves a blank record"
s.GetTabEstByTypTab "ESTADO"
Check s.Lista_Resultados.Count = 3, "three room states, got " & s.Lista_Resultados.Count
s.GetListaResultados s.Lista_Resultados.Item(2), "|"
Check s.Resultados.Count = 55, "55 fields, got " & s.Resultados.Count
s.GetEntityObject
Set r = s.Tab_Est_Sdk_Info
Check r.Campo043 = "SUCIA" And r.Campo002 = "S", "description and key"
Check r.Campo001 = "ESTADO", "the table type"
Check r.Campo000 = 2 And VarType(r.Campo000) = 3, "the number"
Check r.Campo047 = False And VarType(r.Campo047) = 11, "the Boolean"
s.GetTabEstByTypTab "PAGO"
Check s.Lista_Resultados.Count = 2, "two forms of payment"
s.GetTabEstByTypTab "NINGUNO"
Check s.Lista_Resultados.Count = 0, "an unknown type has no states"

WScript.Echo failures & " failure(s)"
WScript.Quit failures
