' The electronic wallet at the point of sale and the channel manager at the front office, driven
' the way the property-management application drives them. Run by `make demo` against the
' simulator; the channel manager's URL is the first argument.
Option Explicit
Dim wallet, channel, url, code, list
Const RFC = "HOT850101AB1"
url = WScript.Arguments(0)

Set wallet = CreateObject("HALVORA.DineroElectonico")
WScript.Echo "6. Wallet card 5001 pays at the bar and gets a refund at the spa."
WScript.Echo "   wallet balance " & wallet.MonederoBalance(RFC, "5001")
code = wallet.MonederoCargoEx(RFC, "5001", "BAR", 4711, 150)
WScript.Echo "   charge of 150 for check 4711: answer " & code
code = wallet.MonederoAbonoEx(RFC, "5001", "SPA", 4712, 12.5)
WScript.Echo "   credit of 12.5 for check 4712: answer " & code
WScript.Echo "   wallet balance now " & wallet.MonederoBalance(RFC, "5001")
WScript.Echo "   a charge beyond the balance of card 5003: answer " & _
             wallet.MonederoCargo(RFC, "5003", 80)
WScript.Echo "   a card whose answer does not fit: answer " & _
             wallet.MonederoCargo(RFC, "9002", 1)

Set channel = CreateObject("HALVORA.eRevMax")
WScript.Echo vbCrLf & "7. The front office closes Christmas and publishes the inventory."
WScript.Echo "   inventory of hotel 101 sent: " & _
             channel.ActualizaInventario(101, "2026-12-01", "2026-12-31", "DBL", url)
WScript.Echo "   Christmas closed: " & _
             channel.RestrictionOpenClose_Date(101, "2026-12-24", "2026-12-25", "DBL", url, "Close")
WScript.Echo "   an unknown hotel is refused: " & _
             channel.ActualizaInventario(999, "2026-12-01", "2026-12-31", "DBL", url)
list = channel.Enhancements(url, 5001)
WScript.Echo "   registration 5001 has " & (UBound(Split(list, "<Enhancement>"))) & " enhancements"
