'@env HALVORA_COMPONENTS=registered
'@env HALVORA_EINVOICE_COMPONENT=SinFacturacion
' An installation without the e-invoicing component (none is registered under the name the
' deployment gives, and it insists on a registered one): Factura's TelvarConectar reports the
' failure in its box and answers false; Mail, EdoCta and Clientes raise it to the host.
Option Explicit
Dim failures, f, m, e, c, ok
failures = 0

Sub Check(ok, what)
  If Not ok Then
    failures = failures + 1
    WScript.Echo "FAILED: " & what
  End If
End Sub

Set f = CreateObject("HALVORA.Factura")
Check Not f.TelvarConectar("", "cajero", "secreto"), "Factura answers false"
Check f.ListaResultados.Count = 0, "its lists were made before the component"
Check Not f.EFacturaConnected, "not connected"

Set m = CreateObject("HALVORA.Mail")
Set e = CreateObject("HALVORA.EdoCta")
Set c = CreateObject("HALVORA.Clientes")
On Error Resume Next
ok = m.TelvarConectar("", "cajero", "secreto")
Check Err.Number = 429 And Err.Source = "HALVORA", "Mail: " & Err.Number & " " & Err.Source
Err.Clear
ok = e.TelvarConectar("", "cajero", "secreto")
Check Err.Number = 429, "EdoCta: " & Err.Number
Err.Clear
ok = c.TelvarConectar("", "cajero", "secreto")
Check Err.Number = 429, "Clientes: " & Err.Number
Err.Clear
' Nothing was made, so there is nothing to let go of.
c.TelvarDesconectar
Check Err.Number = 0, "Clientes has nothing to disconnect: " & Err.Number
On Error GoTo 0

WScript.Echo failures & " failure(s)"
WScript.Quit failures
