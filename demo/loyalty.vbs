' The loyalty-card workflow at reception, driven the way the property-management application
' drives it. Run by `make demo` against the simulator, with the clerk's answers scripted.
Option Explicit
Dim doc, card, folio
Const DB = "db.hotel.local", BASE = "fidelidad", USR = "recepcion", PWD = "s3cr&t<"

Set doc = CreateObject("HALVORA.Document")
WScript.Echo "Connection: on line " & doc.Online & ", LAN " & doc.Lan

WScript.Echo vbCrLf & "1. Guest M-100 checks in; the card comes from the loyalty service."
card = doc.PedirTarjeta(DB, BASE, USR, PWD, "M-100")
WScript.Echo "   card " & card & ", balance " & doc.Saldo(DB, BASE, USR, PWD, card)

WScript.Echo vbCrLf & "2. The stay earns 250 points, dinner spends 20.5."
folio = doc.AplicarSaldo(DB, BASE, USR, PWD, card, "7", "Estancia", "A", "250", "F-1001")
WScript.Echo "   credit posted as movement " & folio
folio = doc.AplicarSaldo(DB, BASE, USR, PWD, card, "7", "Cena", "C", "20.5", "F-1002")
WScript.Echo "   charge posted as movement " & folio
WScript.Echo "   balance now " & doc.Saldo(DB, BASE, USR, PWD, card)

WScript.Echo vbCrLf & "3. A walk-in guest without a card on file: the clerk types it."
WScript.Echo "   balance " & doc.Saldo(DB, BASE, USR, PWD, "") & " on card " & doc.TarjetaVIP

WScript.Echo vbCrLf & "4. The clerk opens the card box and cancels."
WScript.Echo "   balance " & doc.Saldo(DB, BASE, USR, PWD, "  ") & ", card still " & doc.TarjetaVIP

WScript.Echo vbCrLf & "5. A balance typed by hand: first negative by mistake, then right."
WScript.Echo "   typed balance " & doc.PedirSaldo()
WScript.Echo "   typed balance " & doc.PedirSaldo()
