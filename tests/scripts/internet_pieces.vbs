' A gateway that answers only the beginning of a reply: the piece is logged and kept for that
' command alone, so the same piece answering the next command confirms nothing, while a reply
' that arrives in pieces for one command still shows its box.
Option Explicit
Dim failures, gateway, net, log, piece
failures = 0

Sub Check(ok, what)
  If Not ok Then
    failures = failures + 1
    WScript.Echo "FAILED: " & what
  End If
End Sub

Function Count(s, text)
  Count = UBound(Split(s, text))
End Function

' The log once it holds the text the given number of times, or as it is after about five seconds.
' Each call lets pending events run.
Function LogWith(n, text, times)
  Dim s, deadline
  deadline = Now + 5 / 86400
  s = n.DatosInternet
  Do While Count(s, text) < times And Now < deadline
    s = n.DatosInternet
  Loop
  LogWith = s
End Function

gateway = Split(WScript.Arguments(1), ":")
Set net = CreateObject("HALVORA.Internet")
net.Host = gateway(0)
net.Port = gateway(1)
net.Perfil = "P3"
net.Tiempo = "12"
piece = "Recibiendo datos: ++" & vbCrLf

' Room 555 is answered "++" and no more: the beginning of "++++", not a removal.
net.comando = 1
net.Habitacion = "555"
log = net.CargarInternet
log = LogWith(net, piece, 1)
Check Count(log, piece) = 1, "the first piece is logged"

' The next command is answered "++" again: still not a removal.
net.comando = 2
log = net.CargarInternet
log = LogWith(net, piece, 2)
Check Count(log, piece) = 2, "the second piece is logged"
Check InStr(log, "Recibiendo datos: ++++") = 0, "no whole removal was received"

' A reply that arrives in two pieces for one command is still that command's reply.
net.comando = 0
net.Habitacion = "888"
log = net.CargarInternet
log = LogWith(net, "OK-TICKET", 1)
Check InStr(log, "OK-TICKET") > 0, "the split reply arrived"

WScript.Echo failures & " failure(s)"
WScript.Quit failures
