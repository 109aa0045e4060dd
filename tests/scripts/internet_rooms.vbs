' A room's internet opened, queried and removed at the gateway, the way the front desk does it:
' the gateway's address comes from the host (here the second argument), each reply is read back
' from the status log once it has arrived.
Option Explicit
Dim failures, gateway, net, log
failures = 0

Sub Check(ok, what)
  If Not ok Then
    failures = failures + 1
    WScript.Echo "FAILED: " & what
  End If
End Sub

' The log once it holds the text, or as it is after about five seconds. Each call lets pending
' events run; WScript.Sleep would too under halvora, but not every host offers it.
Function LogWith(n, text)
  Dim s, deadline
  deadline = Now + 5 / 86400
  s = n.DatosInternet
  Do While InStr(s, text) = 0 And Now < deadline
    s = n.DatosInternet
  Loop
  LogWith = s
End Function

gateway = Split(WScript.Arguments(1), ":")
Set net = CreateObject("HALVORA.Internet")
Check net.Host = "", "Host starts empty"
Check net.Port = "", "Port starts empty"
Check net.comando = 0, "comando starts at Alta"
Check Not net.EsperarRespuesta, "no wait box by default"
Check net.DatosInternet = "", "the log starts empty"

net.Host = gateway(0)
net.Port = gateway(1)
net.comando = 0
net.Habitacion = "0305"
net.Perfil = "P1"
net.Tiempo = "24"
Check net.Habitacion = "305", "the room reads back as a number: " & net.Habitacion
Check net.Host = gateway(0), "Host reads back"

log = net.CargarInternet
Check InStr(log, "Winsock1_Connect") > 0, "connected"
Check InStr(log, "cadena1..") > 0, "the open command is built"
Check InStr(log, "Send: =alta=,0305,P1,24" & vbCrLf) > 0, "the open command as typed"
log = LogWith(net, "Recibiendo datos: OK-ABD, OK-ART, OK-PRT, OK-UBD, OK-TICKET")
Check InStr(log, "Recibiendo datos: OK-ABD") > 0, "the gateway opened the room"

net.comando = 2
log = net.CargarInternet
Check UBound(Split(log, "Winsock1_Connect")) = 1, "the connection is kept between commands"
Check InStr(log, "Send: =consulta=,0305" & vbCrLf) > 0, "the query"
log = LogWith(net, "Recibiendo datos: 0305,P1,24")
Check Right(log, 2) = vbCrLf, "every log line ends with CR LF"
Check InStr(log, "Recibiendo datos: 0305,P1,24" & vbCrLf) > 0, "the query's answer is logged"

net.comando = 1
log = net.CargarInternet
Check InStr(log, "cadena3..") > 0, "the remove command is built"
Check InStr(log, "Send: =elimina=,0305" & vbCrLf) > 0, "the remove command"
log = LogWith(net, "Recibiendo datos: ++++")
Check InStr(log, "Recibiendo datos: ++++") > 0, "the gateway removed the room"

net.comando = 2
log = net.CargarInternet
log = LogWith(net, "Recibiendo datos: Usuario No Existe!")
Check InStr(log, "Recibiendo datos: Usuario No Existe!") > 0, "the room has no internet now"

WScript.Echo failures & " failure(s)"
WScript.Quit failures
