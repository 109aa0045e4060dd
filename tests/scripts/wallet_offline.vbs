' Off line: no wallet operation sends anything; each says so.
'@env HALVORA_NETSTATE=lan
Option Explicit
Dim failures, w
failures = 0

Sub Check(ok, what)
  If Not ok Then
    failures = failures + 1
    WScript.Echo "FAILED: " & what
  End If
End Sub

Set w = CreateObject("HALVORA.DineroElectonico")
Check Not w.Online, "off line"
Check w.Lan, "the network card is still there"
Check Not w.Modem And Not w.Proxy, "no modem, no proxy"
Check w.MonederoBalance("R", "5001") = 0, "balance"
Check w.MonederoCargoEx("R", "5001", "BAR", 1, 10) = 0, "charge with check"
Check w.MonederoCargo("R", "5001", 10) = 0, "charge"
Check w.MonederoAbonoEx("R", "5001", "BAR", 1, 10) = 0, "credit"

Dim reason, dummy
dummy = 0
For reason = 0 To 3
  Check w.DllMain(dummy, reason, dummy) = (reason = 1), "DllMain for reason " & reason
Next

WScript.Echo failures & " failure(s)"
WScript.Quit failures
