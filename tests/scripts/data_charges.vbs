' Charges through DB_CAPCT against a fresh demo database (its location is the third argument):
' post a charge to a guest's account, then list it and search it back and read it as a record.
Option Explicit
Dim failures, c, db, user, pass, r, l, number, i, found, entry
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
Set c = CreateObject("HALVORA.DB_CAPCT")
Check c.TelvarConectarLobix(db, user, pass), "connected"
Check c.ListaResultados.Count = 0, "an empty list after connecting"

' Post a charge: a fresh record, its values set on the record itself, then the SDK's number.
c.GeneraObjects
Set r = c.Db_CapCt_Sdk_Info
r.Campo001 = 202
r.Campo002 = 1004
r.Campo005 = 432.75
r.Campo009 = CDate(45663)
r.Campo012 = "SPA"
r.Campo015 = "Masaje"
number = c.GenerarCargo()
Check VarType(number) = 5, "the answer is a Double"
Check number = 6, "the sixth charge, got " & number

' The charges of room 202: the demo's laundry and the new one.
c.GetListCargos 202, 0, 0, 0, "N"
Set l = c.ListaResultados
found = 0
For i = 1 To l.Count
  If InStr(l.Item(i), "|Masaje|") > 0 Then
    found = found + 1
    entry = l.Item(i)
  End If
Next
Check found = 1, "the new charge is listed once in room 202"
Check InStr(l.Item(1), "|Lavanderia|") > 0 Or InStr(l.Item(2), "|Lavanderia|") > 0, _
  "the laundry charge of room 202 is listed"

' The entry read back as a record.
Check c.GetListaResultados(entry, "|") Is Nothing, "the split hands back no collection"
Check c.Resultados.Count = 29, "29 fields in a charge, got " & c.Resultados.Count
c.GetEntityObject
Set r = c.Db_CapCt_Sdk_Info
Check r.Campo000 = 6 And r.Campo001 = 202 And r.Campo002 = 1004, "number, room and guest"
Check r.Campo005 = 432.75, "amount"
Check r.Campo012 = "SPA" And r.Campo015 = "Masaje", "concept and description"
Check CDbl(r.Campo009) = 45663, "date"
Check r.Campo024 = False And VarType(r.Campo024) = 11, "not cancelled"

' Grouped charges are left out on request.
c.GetListCargos 201, 0, 0, 0, "S"
found = 0
For i = 1 To c.ListaResultados.Count
  If Trim(c.ListaResultados.Item(i)) <> "" Then found = found + 1
Next
Check found = 0, "the grouped bar charge of room 201 is left out"
c.GetListCargos 201, 0, 0, 0, "N"
Check InStr(c.ListaResultados.Item(1), "|GRUPO1|") > 0, "and listed otherwise"

' Search by example: the concept code finds the new charge only.
c.GeneraObjects
c.Db_CapCt_Sdk_Info.Campo012 = "SPA"
Check c.CapCt_Findby() = 0, "the search answers 0"
Check c.ListaResultados.Count = 1, "one SPA charge, got " & c.ListaResultados.Count
Check InStr(c.ListaResultados.Item(1), "|Masaje|") > 0, "the SPA charge is the new one"

' A second charge gets the next number.
c.GeneraObjects
c.Db_CapCt_Sdk_Info.Campo001 = 101
c.Db_CapCt_Sdk_Info.Campo002 = 1001
c.Db_CapCt_Sdk_Info.Campo005 = 50
c.Db_CapCt_Sdk_Info.Campo012 = "BAR"
c.Db_CapCt_Sdk_Info.Campo015 = "Bebidas"
Check c.GenerarCargo() = 7, "the seventh charge"
c.GetListCargos 101, 1001, 0, 0, ""
found = 0
For i = 1 To c.ListaResultados.Count
  If Trim(c.ListaResultados.Item(i)) <> "" Then found = found + 1
Next
Check found = 3, "three charges of guest 1001, got " & found

WScript.Echo failures & " failure(s)"
WScript.Quit failures
