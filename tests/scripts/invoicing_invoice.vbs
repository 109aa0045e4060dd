'@einvoice
'@smtp
' A guest's invoice through Factura against the e-invoicing server (blank location: the server the
' runner started): connect, header, three lines, totals, issue, read the result, the UUID and the
' stamped XML, send and show it; then a second invoice on the same object after NuevaFactura, a
' group of both, the first one cancelled, and the disconnect.
Option Explicit
Dim failures, f, user, pass, r, first, uuid, xml, second, again, group, fields
failures = 0

Sub Check(ok, what)
  If Not ok Then
    failures = failures + 1
    WScript.Echo "FAILED: " & what
  End If
End Sub

Sub AddLine(f, key, quantity, description, price)
  f.AgregarRenglon
  f.ClaveProducto = key
  f.Cantidad = quantity
  f.Descripcion = description
  f.Unidad = ""
  f.ValorUnitario = price
  f.ImporteTotal = quantity * price
  f.IvaPorciento = 16
  f.IvaImporte = quantity * price * 0.16
End Sub

Sub Header(f, control)
  f.ClaveCliente = "C-204"
  f.RFC = "XOCD720319T86"
  f.RazonSocial = "DANIEL NÚÑEZ CÁRDENAS"
  f.Email = "daniel@example.com"
  f.DomicilioFiscalCalle = "Av. Tulum"
  f.DomicilioFiscalCodigoPostal = "77500"
  f.RegimenFiscalReceptor = "612"
  f.FormaPago = "   "
  f.MetodoPago = ""
  f.NumCtaPago = ""
  f.NumeroControl = control
  f.Observaciones1 = "Estancia del 1 al 3 de julio"
End Sub

user = "cajero"
pass = "secreto"
Set f = CreateObject("HALVORA.Factura")
Check f.ListaResultados Is Nothing, "no lists before the first connect"
Check f.TelvarConectar("", user, pass), "connected"
Check f.EFacturaConnected, "the connected flag"
Check user = "cajero" And pass = "secreto", "the host's variables are left as they were"
Check f.ListaSucursales.Count = 1, "one branch, got " & f.ListaSucursales.Count
Check f.ListaSucursales.Item(1) = "1 Matriz", "branch 1"
Check f.ListaFolioSeries.Count = 2, "two series"
Check f.ListaFolioSeries.Item(2) = "2 PRE Prefacturas sucursal 1", "the pre-invoice series"
Check f.ListaPeriocidadSAT.Count = 5, "five periodicities"
Check f.ListaResultados.Count = 0, "no result yet"

' A total before the first line is ignored; the first line zeroes them.
f.FacturaSubTotal = 99999
Header f, "R-1001"
f.Sucursal = 1
f.Folio = 0
AddLine f, "90111800", 2, "Hospedaje habitación doble", 1000
Check f.FacturaInicializada And f.RenglonActivo And Not f.DatosCapturados, "capturing line 1"
Check f.Cantidad = 2 And VarType(f.Cantidad) = 2, "the quantity reads back as an Integer"
Check f.Unidad = "N/A", "a blank unit is N/A"
AddLine f, "90101501", 1, "Cena ""Mar y tierra"" en el restaurante", 450
AddLine f, "50202301", 3, "Agua mineral", 30
f.FacturaSubTotal = 2540
f.FacturaTasaIva = 16
f.FacturaTotalIva = 406.4
f.FacturaTasaISH = 3
f.FacturaTotalISH = 60
f.FacturaTotalImporte = 3006.4
f.GenerarFactura
Check Not f.EFacturaConnected, "issued: no longer connected"
Check f.DatosCapturados And Not f.RenglonActivo, "every line is in the document"

Set r = f.ListaResultados
Check r.Count = 9, "nine result fields, got " & r.Count
Check r.Item(1) = "1" And r.Item(2) = "1" And r.Item(3) = "1", "branch 1, series 1, folio 1"
Check r.Item(5) = "3006.40", "the total, got " & r.Item(5)
Check r.Item(6) = "Vigente" And r.Item(7) = "A", "a valid invoice of series A"
first = r.Item(1) & "|" & r.Item(2) & "|" & r.Item(3)
uuid = f.ObtenerUUID()
Check Len(uuid) = 36 And uuid = r.Item(4), "the UUID of the result: " & uuid
Check f.ObtenerUUID("   ") = uuid And f.ObtenerUUID(first) = uuid, "blank or explicit reference"
xml = f.ObtenerXML()
Check InStr(xml, "UUID=""" & uuid & """") > 0, "the XML carries the stamp"
Check InStr(xml, "Total=""3006.40""") > 0, "the XML carries the total"
Check InStr(xml, "FormaPago=""01""") > 0 And InStr(xml, "MetodoPago=""PUE""") > 0, _
  "the blank payment texts became cash in one instalment"
Check InStr(xml, "NÚÑEZ") > 0, "accented letters survive"
f.EnviarFactura
f.VerFactura

' Header writes are ignored until NuevaFactura; so is a second emission.
f.RazonSocial = "OTRO"
f.GenerarFactura
Check f.ListaResultados.Item(3) = "1", "a second GenerarFactura issues nothing"

f.NuevaFactura
Check f.EFacturaConnected And f.ListaResultados.Count = 0, "a new document"
Check f.FacturaInicializada And f.DatosCapturados, "the flags carry over"
Header f, "R-1002"
f.FacturaFecha = True
Check f.FacturaFecha, "the date flag"
AddLine f, "50202301", 2, "Refresco", 25
' The new document's totals start at the component's zeros: all of them are written again.
f.FacturaSubTotal = 50
f.FacturaTasaIva = 16
f.FacturaTotalIva = 8
f.FacturaTasaISH = 0
f.FacturaTotalISH = 0
f.FacturaTotalImporte = 58
f.GenerarFactura
Check f.ListaResultados.Item(3) = "2", "folio 2, got " & f.ListaResultados.Item(3)
second = f.ObtenerUUID()
Check second <> uuid, "another UUID"
Check InStr(f.ObtenerXML(first), uuid) > 0, "the first invoice by its reference"

group = f.ObtenerIdGrupo(0, "Congreso", "A1;A-2")
fields = Split(group, "|")
Check fields(2) = "2" And fields(3) = "3064.40", "a group of both: " & group

f.CancelarFactura first
again = f.GetCresfact06("R-1001", 0)
fields = Split(again, "|")
Check fields(5) = "Cancelado", "the first invoice is cancelled: " & again
fields = Split(f.GetCresfact06("R-1002", 1), "|")
Check fields(5) = "Vigente", "the second stands"
On Error Resume Next
f.CancelarFactura first
Check Err.Number = vbObjectError + 1005, "cancelled twice: " & Err.Number
Check Err.Source = "ServidorFacturacion", "the component's error: " & Err.Source
Err.Clear
f.CancelarFactura "1|1"
Check Err.Number = 9, "a reference of two fields: " & Err.Number
Err.Clear
On Error GoTo 0
group = f.ObtenerIdGrupo(1, "", "")
fields = Split(group, "|")
Check fields(3) = "58.00", "the group's total leaves the cancelled one out: " & group

f.TelvarDesconectar
Check f.ListaSucursales.Count = 0 And f.ListaResultados.Count = 0, "the lists are emptied"
Check Not f.EFacturaConnected, "the flag stays as the emission left it"
Check f.Cantidad = 2, "the last line is still there to read"

WScript.Echo failures & " failure(s)"
WScript.Quit failures
