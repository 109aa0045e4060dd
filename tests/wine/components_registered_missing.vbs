' A deployment that insists on the registered database SDK (HALVORA_COMPONENTS=registered) on a
' machine where none is registered: the connection cannot be created (429), and no stand-in
' answers in its place. The third argument is a hotel database the bundled substitute would open.
'@env HALVORA_COMPONENTS=registered
Option Explicit
Dim failures, d, user, pass, connected
failures = 0

Sub Check(ok, what)
  If Not ok Then
    failures = failures + 1
    WScript.Echo "FAILED: " & what
  End If
End Sub

Set d = CreateObject("HALVORA.Db_Datos")
user = "CAJERO"
pass = "secreto"
connected = False
On Error Resume Next
connected = d.TelvarConectarLobix(WScript.Arguments(2), user, pass)
Check Err.Number = 429, "no registered SDK gives 429, got " & Err.Number & " " & Err.Description
Check Err.Description = "ActiveX component can't create object", "the text: " & Err.Description
Check Err.Source = "HALVORA", "the source: " & Err.Source
Err.Clear
On Error GoTo 0
Check Not connected, "nothing connected"

WScript.Echo failures & " failure(s)"
WScript.Quit failures
