' Wallet balances, charges and credits against the simulated wallet service, the service's own
' answer codes as they reach the host, and the address properties.
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
Check w.HostMoney = "" And w.UrlMoney = "", "the address properties start empty"
Check w.MonederoBalance("AAA010101AAA", "5001") = 1000, "opening balance"
Check w.MonederoCargo("AAA010101AAA", "5001", 150) = 0, "charge of 150 done"
Check w.MonederoCargoEx("AAA010101AAA", "5001", "BAR", 4711, 12.5) = 0, "charge of 12.5 done"
Check w.MonederoAbonoEx("AAA010101AAA", "5001", "SPA", 4712, 100) = 0, "credit of 100 done"
Check w.MonederoBalance("AAA010101AAA", "5001") = 937.5, "balance after the movements"
Check w.MonederoCargo("AAA010101AAA", "5003", 1) = 2, "insufficient balance is code 2"
Check w.MonederoCargo("AAA010101AAA", "7777", 1) = 1, "unknown card is code 1"
Check VarType(w.MonederoCargo("AAA010101AAA", "5001", 1)) = 2, "codes are 16-bit integers"

' Answers the service gives for the demo cards 9001..9008, in that order; 0 after an overflow.
Dim cards, codes, i
cards = Array("9001", "9002", "9003", "9004", "9005", "9006", "9007", "9008")
codes = Array(32767, 0, -32768, 0, 2, -1, 0, 0)
For i = 0 To UBound(cards)
  Check w.MonederoCargoEx("R", cards(i), "BAR", 1, 1) = codes(i), "answer of card " & cards(i)
Next
Check w.MonederoAbonoEx("R", "9002", "BAR", 1, 1) = 0, "a credit answer that overflows"

' A blank card is refused before anything is sent.
Check w.MonederoBalance("R", "   ") = 0, "blank card"

' Another path reaches the service; blank properties mean the defaults.
w.UrlMoney = "/otro/MonederoService.asmx"
Check w.MonederoBalance("R", "5002") = 250.5, "another path"
w.HostMoney = "   "
w.UrlMoney = "   "
Check w.MonederoBalance("R", "5002") = 250.5, "blank host and path"

' A host that refuses connections: the report under each operation's title.
w.HostMoney = "127.0.0.1:1"
Check w.MonederoBalance("R", "5001") = 0, "unreachable balance"
Check w.MonederoAbonoEx("R", "5001", "SPA", 1, 1) = 0, "unreachable credit"

WScript.Echo failures & " failure(s)"
WScript.Quit failures
