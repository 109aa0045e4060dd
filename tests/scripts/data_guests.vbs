' In-house guests through Db_Datos against a fresh demo database (its location is the third
' argument): the connection with the right and a wrong password, the in-house list, the look-ups
' by room, guest number and name, and the guest record read back through the record object.
Option Explicit
Dim failures, d, db, user, pass, r, l, entry, i, found
failures = 0

Sub Check(ok, what)
  If Not ok Then
    failures = failures + 1
    WScript.Echo "FAILED: " & what
  End If
End Sub

db = WScript.Arguments(2)
Set d = CreateObject("HALVORA.Db_Datos")

' A wrong password: refused, and the user and password come back unchanged.
user = "CAJERO"
pass = "otra"
Check Not d.TelvarConectarLobix(db, user, pass), "a wrong password is refused"
Check user = "CAJERO" And pass = "otra", "user and password come back unchanged"
Check d.ListaResultados.Count = 0 And d.GetList_ListaResultados.Count = 0, _
  "a refused connection leaves empty lists"

pass = "secreto"
Check d.TelvarConectarLobix(db, user, pass), "the right password connects"
Check IsEmpty(d.PruebaString()) = False, "the test string answers"

' The in-house list: four guests, one entry each.
d.GetList_HuespedesEnCasa
Check d.GetList_ListaResultados.Count = 4, "four guests in house, got " & d.GetList_ListaResultados.Count
Set l = d.GetList_ListaResultados
found = False
For i = 1 To l.Count
  If InStr(l.Item(i), "KLAUS MULLER") > 0 Then found = True
  Check InStr(l.Item(i), "LUIS HERNANDEZ") = 0, "a guest who left is not listed"
Next
Check found, "the guest of room 202 is listed"

' By room.
d.GetHuespedByNumHab "101", "A"
Set r = d.Db_Datos_Sdk_Info
Check r.NOMBREDA = "ANA LOPEZ GARCIA", "room 101: name " & r.NOMBREDA
Check r.NUMHABDA = 101 And r.NUMHUESDA = 1001, "room 101: room and guest number"
Check r.CIUDADDA = "GUADALAJARA" And r.PAISDA = "MEXICO", "room 101: city and country"
Check r.TARIFADA = 1250.5 And r.NUMPERDA = 2, "room 101: rate and persons"
' 3 and 7 January 2025 as day counts.
Check CDbl(r.FHAENTDA) = 45660 And CDbl(r.FHASALDA) = 45664, "room 101: arrival and departure"
Check r.STATUSDA = "A", "room 101: status"
Check VarType(r.NUMHABDA) = 5 And VarType(r.FHAENTDA) = 7, "room 101: a Double and a Date"
Check d.ListaResultados.Count >= 45, "room 101: the fields in the list"
Check d.ListaResultados.Item(2) = "ANA LOPEZ GARCIA", "room 101: the name is the second field"

' By guest number.
d.GetHuespedByNumHuest "1002", "A"
Check d.Db_Datos_Sdk_Info.NOMBREDA = "JOHN O'BRIEN", "guest 1002"
Check d.Db_Datos_Sdk_Info.NUMHABDA = 102, "guest 1002: room"

' By name, any part of it, letter case aside.
d.GetHuespedByNombreHuesped "jose", "A"
Check d.Db_Datos_Sdk_Info.NOMBREDA = "MARIA JOSE PEREZ", "the guest named Jose"
Check d.Db_Datos_Sdk_Info.NUMHABDA = 201, "the guest named Jose: room"

' Any status finds the guest who left; the in-house status does not.
d.GetHuespedByNumHab "103", ""
Check d.Db_Datos_Sdk_Info.NOMBREDA = "LUIS HERNANDEZ", "room 103 with any status"
d.GetHuespedByNumHab "103", "A"
Check d.ListaResultados.Count = 0, "nobody in house in room 103"
Check d.Db_Datos_Sdk_Info.NOMBREDA = "", "an empty record for nobody"

' An entry of the in-house list read as a record.
entry = l.Item(1)
Check d.GetListaResultados(entry, "|") Is Nothing, "the split hands back no collection"
Check IsEmpty(d.GetEntityObject()), "the fill returns nothing"
Check d.Db_Datos_Sdk_Info.NOMBREDA = d.ListaResultados.Item(2), "the entry's name in the record"
Check d.Db_Datos_Sdk_Info.NUMHABDA > 0, "the entry's room in the record"

d.TelvarDesconectar
d.GetHuespedByNumHab "202", "A"
Check d.Db_Datos_Sdk_Info.NOMBREDA = "KLAUS MULLER", "queries still answer after disconnecting"

' No database there: refused.
Set d = CreateObject("HALVORA.Db_Datos")
Check Not d.TelvarConectarLobix(db & ".none", user, pass), "no database"

WScript.Echo failures & " failure(s)"
WScript.Quit failures
