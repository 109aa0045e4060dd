' Databases that cannot be read, as a host and its staff meet them, beside a wrong password: the
' wrong password on the fresh demo database (third argument) is False and no error; a hotel.db
' that holds no database (the fourth argument) and a folder in place of hotel.db (its subfolder
' carpeta) raise the SDK's database error 3146 with the reason, whatever the password, and leave
' no connection open.
Option Explicit
Dim failures, d, db, damaged, user, pass, connected, number, description, source, i, where
Dim locations, reasons
failures = 0

Sub Check(ok, what)
  If Not ok Then
    failures = failures + 1
    WScript.Echo "FAILED: " & what
  End If
End Sub

db = WScript.Arguments(2)
damaged = WScript.Arguments(3)
Set d = CreateObject("HALVORA.Db_Datos")
user = "CAJERO"

pass = "otra"
On Error Resume Next
connected = d.TelvarConectarLobix(db, user, pass)
number = Err.Number
On Error GoTo 0
Check number = 0, "a wrong password raises nothing, got " & number
Check connected = False, "a wrong password is refused"

locations = Array(damaged, damaged & "/carpeta")
reasons = Array("file is not a database", "unable to open database file")
For i = 0 To 1
  For Each pass In Array("secreto", "otra")
    where = locations(i) & " (" & pass & "): "
    connected = Empty
    On Error Resume Next
    connected = d.TelvarConectarLobix(locations(i), user, pass)
    number = Err.Number
    description = Err.Description
    source = Err.Source
    On Error GoTo 0
    Check IsEmpty(connected), where & "answers nothing"
    Check number = 3146, where & "raises 3146, got " & number
    Check InStr(description, reasons(i)) > 0, where & "tells why, got " & description
    Check source = "LobixSdkCore", where & "raised by the SDK, got " & source
    ' The connection's lists are new all the same.
    Check d.ListaResultados.Count = 0 And d.GetList_ListaResultados.Count = 0, _
      where & "the lists are new and empty"
  Next
Next

' Nothing was opened: a query says so.
On Error Resume Next
d.GetList_HuespedesEnCasa
number = Err.Number
description = Err.Description
On Error GoTo 0
Check number = 3146, "a query after the failed connection raises 3146, got " & number
Check InStr(description, "No database is open") > 0, "the query's reason, got " & description

pass = "secreto"
Check d.TelvarConectarLobix(db, user, pass), "the sound database still connects"

WScript.Echo failures & " failure(s)"
WScript.Quit failures
