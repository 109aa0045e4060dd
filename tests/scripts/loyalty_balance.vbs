' Balance and movements of a demo card, as reception would post them.
Option Explicit
Dim failures, doc, balance, folio
failures = 0

Sub Check(ok, what)
  If Not ok Then
    failures = failures + 1
    WScript.Echo "FAILED: " & what
  End If
End Sub

Set doc = CreateObject("HALVORA.Document")
Check doc.Online, "the host is on line"
Check TypeName(doc) = "Document", "TypeName is the class"

balance = doc.Saldo("db.hotel.local", "fidelidad", "recepcion", "s3cr&t<pw>", "1001")
Check balance = 1520.75, "opening balance 1520.75, got " & balance
Check doc.TarjetaVIP = "1001", "Saldo keeps the card it used"

folio = doc.AplicarSaldo("db.hotel.local", "fidelidad", "recepcion", "pw", "1001", "7", _
                         "Estancia", "A", "250", "F-1")
Check folio = 1, "first movement folio 1, got " & folio
Check doc.Saldo("db", "fidelidad", "recepcion", "pw", "1001") = 1770.75, "credited balance"

folio = doc.AplicarSaldo("db", "fidelidad", "recepcion", "pw", "1001", "7", "Cena", "C", _
                         "20.5", "F-2")
Check folio = 2, "second movement folio 2, got " & folio
Check doc.Saldo("db", "fidelidad", "recepcion", "pw", "1001") = 1750.25, "charged balance"

' A card the service does not know answers with a fault: no value, and no box.
Check doc.Saldo("db", "fidelidad", "recepcion", "pw", "9999") = 0, "unknown card gives 0"
Check doc.TarjetaOnline("db", "fidelidad", "recepcion", "pw", "M-101") = "1002", "member M-101"

WScript.Echo failures & " failure(s)"
WScript.Quit failures
