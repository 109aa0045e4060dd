' Card capture: from the service, typed by the clerk, or not given at all.
Option Explicit
Dim failures, doc, card
failures = 0

Sub Check(ok, what)
  If Not ok Then
    failures = failures + 1
    WScript.Echo "FAILED: " & what
  End If
End Sub

Set doc = CreateObject("HALVORA.Document")

card = doc.PedirTarjeta("db", "fidelidad", "recepcion", "pw", "M-100")
Check card = "1001", "member M-100 holds card 1001, got " & card
Check doc.TarjetaVIP = "1001", "the card is kept"

' A member the service does not know: the clerk types the card (first answer).
card = doc.PedirTarjeta("db", "fidelidad", "recepcion", "pw", "M-999")
Check card = "1003", "typed card, got " & card

' No card passed to Saldo: asked for (second answer), then used.
Check doc.Saldo("db", "fidelidad", "recepcion", "pw") = 300, "balance of the typed card"
Check doc.TarjetaVIP = "1002", "the typed card is kept, got " & doc.TarjetaVIP

' Blank card and the clerk cancels: a message, 0, and the previous card stays.
Check doc.Saldo("db", "fidelidad", "recepcion", "pw", "  ") = 0, "cancelled capture gives 0"
Check doc.TarjetaVIP = "1002", "the previous card stays"

WScript.Echo failures & " failure(s)"
WScript.Quit failures
