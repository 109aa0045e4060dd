' Room internet at the front desk: a guest of room 305 buys a day of internet, the clerk checks
' it, then removes it at check-out. Run by `make demo` against the simulator; the gateway's
' address ("host:port") is the first argument, as a host reads it from its own configuration.
Option Explicit
Dim net, gateway

' The reply comes as an event after the command returns: read the log until it is there.
Function Reply(n)
  Dim i, s, at
  For i = 1 To 100
    s = n.DatosInternet
    at = InStrRev(s, "Recibiendo datos: ")
    If at > 0 And at > InStrRev(s, "Send: ") Then Exit For
    WScript.Sleep 50
  Next
  If at > InStrRev(s, "Send: ") Then
    Reply = Mid(s, at + 18, InStr(at, s, vbCrLf) - at - 18)
  Else
    Reply = "(no reply)"
  End If
End Function

gateway = Split(WScript.Arguments(0), ":")
Set net = CreateObject("HALVORA.Internet")
net.Host = gateway(0)
net.Port = gateway(1)
net.Habitacion = "305"
net.Perfil = "DIA"
net.Tiempo = "24"

WScript.Echo "8. Room 305 gets a day of internet, the clerk checks it, then removes it."
net.comando = 0
net.CargarInternet
WScript.Echo "   open: gateway says " & Reply(net)
net.comando = 2
net.CargarInternet
WScript.Echo "   query: gateway says " & Reply(net)
net.comando = 1
net.CargarInternet
WScript.Echo "   remove: gateway says " & Reply(net)
net.comando = 2
net.CargarInternet
WScript.Echo "   query again: gateway says " & Reply(net)
