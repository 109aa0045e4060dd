' An unreachable service and amounts typed by hand: failure reports, never a crash.
'@env HALVORA_LOYALTY_HOST=127.0.0.1:1
Option Explicit
Dim failures, doc
failures = 0

Sub Check(ok, what)
  If Not ok Then
    failures = failures + 1
    WScript.Echo "FAILED: " & what
  End If
End Sub

Set doc = CreateObject("HALVORA.Document")
Check doc.Saldo("db", "fidelidad", "recepcion", "pw", "123") = 0, "unreachable Saldo gives 0"
Check doc.TarjetaVIP = "123", "the card was kept before sending"
Check doc.AplicarSaldo("db", "fidelidad", "recepcion", "pw", "1", "7", "c", "A", "1", "r") = 0, _
      "unreachable AplicarSaldo gives 0"

' Typed amounts: 250.5, 0, -5, letters.
Check doc.PedirSaldo() = 250.5, "typed 250.5"
Check doc.PedirSaldo() = 0, "typed 0"
Check doc.PedirSaldo() = 0, "typed -5"
Check doc.PedirSaldo() = 0, "typed letters"

' Calling the class wrongly reaches the script as the platform's errors.
On Error Resume Next
doc.Saldo "a"
Check Err.Number = 449, "a missing argument is 449, got " & Err.Number
Err.Clear
doc.Lan 1
Check Err.Number = 450, "an extra argument is 450, got " & Err.Number
Err.Clear
doc.Nope
Check Err.Number = 438, "an unknown member is 438, got " & Err.Number
Err.Clear
Dim other
Set other = CreateObject("HALVORA.Nope")
Check Err.Number = 429, "an unknown class is 429, got " & Err.Number
On Error GoTo 0

WScript.Echo failures & " failure(s)"
WScript.Quit failures
