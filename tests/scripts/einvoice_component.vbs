' The e-invoicing component as a host creates it, by its registered identifier, against a fresh
' halvora-einvoice whose address is HALVORA_EINVOICE_URL (a blank location): connecting, the
' lists, an invoice issued, read back, shown and cancelled, a pre-invoice, documents refused with
' the component's errors, a statement and a registration signed and printed, and a message that
' waits in the outbox because no relay is configured.
'@einvoice
Option Explicit
Dim failures, s, d, r, parts, xml, st, mv, g, msg, number, group
failures = 0

Sub Check(ok, what)
  If Not ok Then
    failures = failures + 1
    WScript.Echo "FAILED: " & what
  End If
End Sub

' The error a call raised, as "number source", and the error cleared.
Function Failure()
  Failure = (Err.Number - vbObjectError) & " " & Err.Source
  Err.Clear
End Function

' The fields of a result joined again for a message (Wine's VBScript has no Join).
Function Join2(fields)
  Dim i
  Join2 = ""
  For i = 0 To UBound(fields)
    If i > 0 Then Join2 = Join2 & "|"
    Join2 = Join2 & fields(i)
  Next
End Function

Function NewLine(description, quantity, price)
  Dim l
  Set l = CreateObject("HalvoraFacturacion.RenglonFactura")
  l.ClaveProducto = "90111800"
  l.Cantidad = quantity
  l.Descripcion = description
  l.ValorUnitario = price
  l.ImporteTotal = quantity * price
  l.IvaPorciento = 16
  l.IvaImporte = quantity * price * 0.16
  l.Unidad = "N/A"
  Set NewLine = l
End Function

' Two nights and a dinner at 16% IVA, 3% lodging tax on the nights, paid cash.
Function NewInvoice()
  Dim doc
  Set doc = CreateObject("HalvoraFacturacion.DocumentoFactura")
  doc.RFC = "XOCD720319T86"
  doc.RazonSocial = "DANIEL ""EL GÜERO"" ÑÚÑEZ <ACME> & CÍA"
  doc.Email = "daniel@example.com"
  doc.DomicilioFiscalCodigoPostal = "77500"
  doc.RegimenFiscalReceptor = "612"
  doc.FormaPago = "UNA SOLA EXHIBICIÓN"
  doc.MetodoPago = "EFECTIVO"
  doc.NumeroControl = "R-2001"
  doc.AnexarRenglon NewLine("Hospedaje habitación doble", 2, 1000)
  doc.AnexarRenglon NewLine("Cena ""Mar y tierra""", 1, 450)
  doc.SubTotal = 2450
  doc.TasaIva = 16
  doc.TotalIva = 392
  doc.TasaISH = 3
  doc.TotalISH = 60
  doc.TotalImporte = 2902
  Set NewInvoice = doc
End Function

Set s = CreateObject("HalvoraFacturacion.ServidorFacturacion")
Check s.ConsultarCFDIV4(), "CFDI 4.0"

' Before a session every operation is refused; a wrong password is 2, the right one 1.
On Error Resume Next
r = s.ListarSucursales()
Check Failure() = "1002 ServidorFacturacion", "no session yet"
On Error GoTo 0
Check s.Conectar("", "cajero", "otra") = 2, "a wrong password"
Check s.Conectar("http://127.0.0.1:1", "cajero", "secreto") = 3, "no server there"
Check s.Conectar("", "cajero", "secreto") = 1, "connected through HALVORA_EINVOICE_URL"
' The session belongs to the process: a new object works under it.
Set s = CreateObject("HalvoraFacturacion.ServidorFacturacion")
Check s.ListarSucursales() = "1 Matriz", "branches: " & s.ListarSucursales()
Check s.ListarFolioSeries() = "1 A Facturas sucursal 1|2 PRE Prefacturas sucursal 1", _
  "series: " & s.ListarFolioSeries()
Check UBound(Split(s.ListarPeriodicidadesSAT(), "|")) = 4, "five periodicities"

' An invoice: branch, series and folio, then UUID, total, status, serie, date and number.
Set d = NewInvoice()
r = s.EmitirFactura(1, 0, d)
parts = Split(r, "|")
Check UBound(parts) = 8, "nine fields: " & r
Check parts(0) = "1" And parts(1) = "1" And parts(2) = "1", "the first folio of series A: " & r
Check Len(parts(3)) = 36 And parts(4) = "2902.00" And parts(5) = "Vigente", "stamped: " & r
Check s.ObtenerUUIDComprobante(1, 1, "1") = parts(3), "the UUID by reference"
xml = s.ObtenerXMLComprobante(parts(0), parts(1), parts(2))
Check InStr(xml, "<cfdi:Comprobante") > 0, "the CFDI"
Check InStr(xml, "UUID=""" & parts(3) & """") > 0, "stamped with that UUID"
Check InStr(xml, "Nombre=""DANIEL &quot;EL GÜERO&quot; ÑÚÑEZ &lt;ACME> &amp; CÍA""") > 0, _
  "the receiver's name escaped in the XML"
Check Right(s.MostrarComprobante(1, 1, "1"), 21) = "comprobante-1-1-1.pdf", "shown"
Check s.LeerCresfact06("R-2001", 0) = r, "found again by its control number"

' Refused documents, with the component's numbers and source; nothing is kept.
On Error Resume Next
Set d = NewInvoice()
d.RFC = "XOCD72031"
r = s.EmitirFactura(1, 0, d)
Check Failure() = "1001 ServidorFacturacion", "a tax id of the wrong shape"
Set d = NewInvoice()
d.RazonSocial = "UNO|DOS"
r = s.EmitirFactura(1, 0, d)
Check Failure() = "1001 ServidorFacturacion", "a bar in the name"
r = s.EmitirFactura(1, 1, NewInvoice())
Check Failure() = "1005 ServidorFacturacion", "folio 1 again"
r = s.ObtenerXMLComprobante(1, 1, "99")
Check Failure() = "1004 ServidorFacturacion", "no folio 99"
d.AnexarRenglon Nothing
Check Err.Number = 91, "no line: " & Err.Number
Err.Clear
On Error GoTo 0
parts = Split(s.EmitirFactura(1, 0, NewInvoice()), "|")
Check parts(2) = "2", "the refusals took no folio: " & Join2(parts)

' Cancelled once, kept, and marked so.
Check s.CancelarComprobante(1, 1, "1"), "cancelled"
On Error Resume Next
r = s.CancelarComprobante(1, 1, "1")
Check Failure() = "1005 ServidorFacturacion", "cancelled twice"
On Error GoTo 0
parts = Split(s.LeerCresfact06("R-2001", 1), "|")
Check parts(2) = "2", "the latest of that control number"

' A pre-invoice: its own numbering, no UUID, no XML, cannot be cancelled.
parts = Split(s.EmitirPrefactura(1, 0, NewInvoice()), "|")
Check parts(1) = "2" And parts(2) = "1" And parts(3) = "" And parts(5) = "Prefactura", _
  "a pre-invoice: " & Join2(parts)
Check s.ObtenerXMLComprobante(1, 2, "1") = "", "no XML for a pre-invoice"
Check Not s.ValidarDineroElectronico(NewInvoice()), "paid in cash, not from a wallet"

' A group of invoices by serie and folio.
group = Split(s.ObtenerGrupo(0, "Congreso", "A1; A-2"), "|")
Check group(1) = "Congreso" And group(2) = "2" And group(3) = "2902.00", "the group: " & Join2(group)

' A statement with two movements (one passed twice), signed and printed.
Set st = CreateObject("HalvoraFacturacion.EstadoCuenta")
st.NumHab = "204"
st.NombreHuesped = "Daniel Núñez"
st.NoControl = "4711"
st.FolioCuenta = 3
st.FhaEntrada = CDate(45474)
Set mv = CreateObject("HalvoraFacturacion.MovimientoEdoCta")
mv.FhaMovimiento = CDate(45474)
mv.DescripcionMvto = "Hospedaje"
mv.CargoMonto = 1000
st.AddDetalle mv
st.AddDetalle mv
Set mv = CreateObject("HalvoraFacturacion.MovimientoEdoCta")
mv.DescripcionMvto = "Pago en efectivo"
mv.CreditoMonto = 2000.5
st.AddDetalle mv
Check s.GuardarEstadoCuenta(st) = 1, "the first statement"
Check s.CapturarFirmaEstadoCuenta("4711"), "the guest signed the statement"
Check Right(s.ReporteEstadoCuenta("4711", 3), 17) = "estado-4711-3.pdf", "the statement printed"

' A registration with members of every type, signed (the second time: the first is cancelled).
Set g = CreateObject("HalvoraFacturacion.RegistroHuesped")
g.NumeroHuesped = "4711"
g.Nombre = "Daniel"
g.ApellidoPaterno = "Núñez"
g.Tarifa = 1000
g.FechaEntrada = CDate(45474)
g.Adultos = 2
g.numresda = 88
g.NORESMDA = "ok"
Check s.GuardarRegistro(g) = 1, "the first registration"
Check Not s.CapturarFirmaRegistro("4711"), "the guest cancelled the signature box"
Check s.CapturarFirmaRegistro("4711"), "the guest signed the card"
Check Right(s.ReporteRegistro("4711"), 17) = "registro-4711.pdf", "the card printed"
On Error Resume Next
r = s.ReporteRegistro("9999")
Check Failure() = "1004 ServidorFacturacion", "no registration of guest 9999"
On Error GoTo 0

' A message: no relay is configured, so it waits in the outbox and the answer is False.
Set msg = CreateObject("HalvoraFacturacion.MensajeCorreo")
msg.Nombre = "Recepción"
msg.Para = "daniel@example.com"
msg.Asunto = "Su estancia"
msg.Cuerpo = "Gracias por su visita."
Check Not s.EnviarCorreo(msg), "kept in the outbox"
Check Not s.EnviarComprobante(1, 1, "2"), "the invoice kept in the outbox too"

WScript.Echo failures & " failure(s)"
WScript.Quit failures
