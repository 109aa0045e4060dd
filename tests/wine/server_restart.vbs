' A hotel database on a PostgreSQL server that restarts while a data class is at work (the runner
' restarts it once this script's connection shows on the server): the call that meets the break
' fails with the SDK's database error, the calls after it go on through the same object as soon
' as the server is back, and nothing else changes. The argument is the database's location.
Option Explicit
Dim failures, d, i, failed, recovered, firstError
failures = 0

Sub Check(ok, what)
  If Not ok Then
    failures = failures + 1
    WScript.Echo "FAILED: " & what
  End If
End Sub

Set d = CreateObject("HALVORA.Db_Datos")
Check d.TelvarConectarLobix(WScript.Arguments(0), "CAJERO", "secreto"), "connected"
failed = 0
recovered = False
On Error Resume Next
' Bounded: the runner's time-out ends a script that never sees the restart.
For i = 1 To 200000
  Err.Clear
  d.GetList_HuespedesEnCasa
  If Err.Number <> 0 Then
    If failed = 0 Then firstError = Err.Number & " " & Err.Source & ": " & Err.Description
    failed = failed + 1
  ElseIf failed > 0 Then
    recovered = True
    Exit For
  End If
Next
On Error GoTo 0
WScript.Echo "first failure after the restart: " & firstError
Check failed > 0, "a call met the restart"
Check Left(firstError, 18) = "3146 LobixSdkCore:", "the database error, got " & firstError
Check recovered, "the calls went on once the server was back"
Check d.GetList_ListaResultados.Count = 4, "four guests in house, got " & d.GetList_ListaResultados.Count

WScript.Echo failures & " failure(s)"
WScript.Quit failures
