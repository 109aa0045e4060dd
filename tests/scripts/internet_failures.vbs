' What the gateway and the clerk get wrong: a port or a room that is not a number, a refused
' command, a reply split in two, a gateway that never answers and one that hangs up.
Option Explicit
Dim failures, gateway, net, log, code
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
net.Host = gateway(0)
net.Perfil = "P2"
net.Tiempo = "1"
net.comando = 0

' A port that is not a number fails back to the host, before anything is sent.
net.Port = "puerto"
On Error Resume Next
log = net.CargarInternet
code = Err.Number
On Error GoTo 0
Check code = 13, "a port that is not a number: error " & code
net.Port = gateway(1)

' A room that is not a number fails and leaves the room as it was.
net.Habitacion = "666"
On Error Resume Next
net.Habitacion = "seis"
code = Err.Number
On Error GoTo 0
Check code = 13, "a room that is not a number: error " & code
Check net.Habitacion = "666", "the room is kept"

' The gateway refuses the command.
log = net.CargarInternet
log = LogWith(net, "Recibiendo datos: error")
Check InStr(log, "Recibiendo datos: error") > 0, "the refusal is logged"

' A reply that arrives in two pieces is still the reply.
net.Habitacion = "888"
log = net.CargarInternet
log = LogWith(net, "OK-TICKET")
Check InStr(log, "OK-TICKET") > 0, "the split reply arrived"

' A gateway that accepts and never answers: the clerk is asked to wait, nothing else happens.
net.Habitacion = "777"
net.EsperarRespuesta = True
log = net.CargarInternet
Check InStr(log, "Send: =alta=,777,P2,1") > 0, "sent to the silent gateway"
net.EsperarRespuesta = False

' A gateway that hangs up: noticed, and the next command connects again.
net.Habitacion = "999"
log = net.CargarInternet
log = LogWith(net, "Winsock1_Close")
Check InStr(log, "Winsock1_Close") > 0, "the close is noticed"
net.Habitacion = "305"
net.comando = 2
log = net.CargarInternet
Check InStr(log, "Error en INT_SEND") = 0, "nothing is lost after the close"
Check UBound(Split(log, "Winsock1_Connect")) = 2, "connected again"
log = LogWith(net, "Recibiendo datos: Usuario No Existe!")
Check InStr(log, "Recibiendo datos: Usuario No Existe!") > 0, "the next command is answered"

WScript.Echo failures & " failure(s)"
WScript.Quit failures
