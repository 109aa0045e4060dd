' Off line: nothing is sent, each operation says so, and the card can still be typed.
'@env HALVORA_NETSTATE=lan
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
Check Not doc.Online, "off line"
Check doc.Lan, "the network card is still there"
Check Not doc.Modem, "no modem"
Check Not doc.Proxy, "no proxy"

Check doc.Saldo("db", "fidelidad", "recepcion", "pw", "1001") = 0, "Saldo gives 0"
Check doc.TarjetaOnline("db", "fidelidad", "recepcion", "pw", "M-100") = "", "no member answer"
Check doc.AplicarSaldo("db", "fidelidad", "recepcion", "pw", "1001", "7", "c", "A", "1", "r") _
      = -2146697211, "AplicarSaldo gives the not-found code"
Check doc.PedirTarjeta("db", "fidelidad", "recepcion", "pw", "M-100") = "4455", "typed card"
Check doc.TarjetaVIP = "4455", "the typed card is kept"

Dim reason, dummy
dummy = 0
For reason = 0 To 3
  Check doc.DllMain(dummy, reason, dummy) = (reason = 1), "DllMain for reason " & reason
Next

WScript.Echo failures & " failure(s)"
WScript.Quit failures
