' A gateway address where nothing listens: six one-second waits, the error of the refused
' connection, then the box that says the gateway cannot be reached; the log says it all.
Option Explicit
Dim failures, gateway, net, log
failures = 0

Sub Check(ok, what)
  If Not ok Then
    failures = failures + 1
    WScript.Echo "FAILED: " & what
  End If
End Sub

gateway = Split(WScript.Arguments(1), ":")
Set net = CreateObject("HALVORA.Internet")
net.Host = gateway(0)
net.Port = "1"
net.comando = 2
net.Habitacion = "305"
log = net.CargarInternet
Check UBound(Split(log, "tiempo de espera ini..")) = 6, "six waits"
Check InStr(log, "INTENTANDO CONEXION2..5") > 0, "the sixth wait is counted"
Check UBound(Split(log, "Winsock1_Error")) = 1, "one error event"
Check InStr(log, "Problemas al conectarse..") > 0, "the failure is logged"
Check InStr(log, "INT_SEND") = 0, "nothing is sent"
Check net.DatosInternet = log, "the log reads back unchanged"

WScript.Echo failures & " failure(s)"
WScript.Quit failures
