' Check-out at the front desk: the guest of room 202 leaves. The clerk looks the guest up in the
' hotel's data, issues the invoice for the stay (the room nights with IVA and the lodging tax, and
' a dinner at the restaurant) on the e-invoicing server, e-mails it to the guest and shows it;
' then prints the guest's account statement and registration card, each signed by the guest.
' Run by `make demo`: the hotel database's folder is the first argument, and the e-invoicing
' server is the one HALVORA_EINVOICE_URL names (a blank location in TelvarConectar).
Option Explicit
Dim guests, g, nights, rate, lodging, dinner, iva, ish, total, f, r, statement, card, guest

Set guests = CreateObject("HALVORA.Db_Datos")
guests.TelvarConectarLobix WScript.Arguments(0), "CAJERO", "secreto"
guests.GetHuespedByNumHab "202", "A"
Set g = guests.Db_Datos_Sdk_Info
guest = CStr(g.NUMHUESDA)
nights = CDbl(g.FHASALDA) - CDbl(g.FHAENTDA)
rate = g.TARIFADA
lodging = nights * rate
dinner = 385
iva = Round((lodging + dinner) * 0.16, 2)
ish = Round(lodging * 0.03, 2)
total = lodging + dinner + iva + ish
WScript.Echo "11. " & g.NOMBREDA & " (guest " & guest & ") checks out of room 202 after " & _
  nights & " nights at " & rate & "."

Set f = CreateObject("HALVORA.Factura")
WScript.Echo "   e-invoicing server connected: " & f.TelvarConectar("", "cajero", "secreto")
f.Sucursal = 1
f.ClaveCliente = guest
f.RFC = "BMM920315KQ4"
f.RazonSocial = "BAVIERA MOTORES DE MÉXICO"
f.Email = "k.mueller@post.de"
f.DomicilioFiscalCalle = "Paseo de la Reforma"
f.DomicilioFiscalnoExterior = "250"
f.DomicilioFiscalMunicipio = "Cuauhtémoc"
f.DomicilioFiscalEstado = "Ciudad de México"
f.DomicilioFiscalPais = "México"
f.DomicilioFiscalCodigoPostal = "06600"
f.RegimenFiscalReceptor = "601"
f.FormaPago = "TARJETA DE CRÉDITO"
f.MetodoPago = "UNA SOLA EXHIBICIÓN"
f.NumeroControl = "CO-202-" & guest
f.Observaciones1 = "Habitación 202, del " & g.FHAENTDA & " al " & g.FHASALDA
f.AgregarRenglon
f.ClaveProducto = "90111800"
f.Cantidad = nights
f.Unidad = "DAY"
f.Descripcion = "Hospedaje en habitación doble"
f.ValorUnitario = rate
f.ImporteTotal = lodging
f.IvaPorciento = 16
f.IvaImporte = lodging * 0.16
f.AgregarRenglon
f.ClaveProducto = "90101501"
f.Cantidad = 1
f.Descripcion = "Cena en el restaurante"
f.ValorUnitario = dinner
f.ImporteTotal = dinner
f.IvaPorciento = 16
f.IvaImporte = dinner * 0.16
f.FacturaSubTotal = lodging + dinner
f.FacturaTasaIva = 16
f.FacturaTotalIva = iva
f.FacturaTasaISH = 3
f.FacturaTotalISH = ish
f.FacturaTotalImporte = total
f.GenerarFactura
Set r = f.ListaResultados
WScript.Echo "   invoice " & r.Item(7) & "-" & r.Item(3) & " issued for " & r.Item(5) & ", " & _
  r.Item(6) & ", UUID " & f.ObtenerUUID()
WScript.Echo "   stamped XML of " & Len(f.ObtenerXML()) & " characters"
f.EnviarFactura
WScript.Echo "   e-mailed to k.mueller@post.de; the clerk shows it on screen:"
f.VerFactura
f.TelvarDesconectar

WScript.Echo "12. The guest's account statement, signed by the guest and printed."
Set statement = CreateObject("HALVORA.EdoCta")
statement.TelvarConectar "", "cajero", "secreto"
statement.NumHab = "202"
statement.NombreHuesped = g.NOMBREDA
statement.FhaEntrada = g.FHAENTDA
statement.FhaSalida = g.FHASALDA
statement.NoControl = guest
statement.Adultos = 1
statement.FolioCuenta = 1
statement.RFC = "BMM920315KQ4"
statement.RazonSocial = "BAVIERA MOTORES DE MÉXICO"
statement.Ciudad = "MUNICH"
statement.Pais = "Alemania"
statement.Email = "k.mueller@post.de"
statement.FormaPago = "TARJETA DE CRÉDITO"
Movement g.FHAENTDA, "Hospedaje, " & nights & " noches", lodging, 0
Movement g.FHASALDA - 1, "Cena en el restaurante", dinner, 0
Movement g.FHASALDA, "IVA 16%", iva, 0
Movement g.FHASALDA, "Impuesto sobre hospedaje 3%", ish, 0
Movement g.FHASALDA, "Pago con tarjeta de crédito", 0, total
statement.SaveEdoCuentaLobix
statement.PerformCapturaFirmaEstadoDeCuenta guest
statement.PerformReporteEstadoDeCuenta guest, 1
statement.TelvarDesconectar

WScript.Echo "13. The guest's registration card, signed by the guest and printed."
Set card = CreateObject("HALVORA.Clientes")
card.TelvarConectar "", "cajero", "secreto"
card.NumeroReserva = "R-" & guest
card.Tarifa = rate
card.FechaEntrada = g.FHAENTDA
card.FechaSalida = g.FHASALDA
card.TipoHabilitacion = "DOBLE"
card.NumeroHabitacion = 202
card.Adultos = 1
card.Ninos = 0
card.ApellidoPaterno = "MULLER"
card.Nombre = "KLAUS"
card.Email = "k.mueller@post.de"
card.Direccion = "Leopoldstraße 12"
card.CodigoPostal = "80802"
card.Telefono = "+49 89 1234567"
card.Ciudad = "MUNICH"
card.Pais = "Alemania"
card.Empresa = "BAVIERA MOTORES DE MÉXICO"
card.RFC = "BMM920315KQ4"
card.NumeroHuesped = guest
card.NOMBREDA = g.NOMBREDA
card.STATUSDA = "A"
card.numresda = g.NUMHUESDA
card.FHAENTDA = g.FHAENTDA
card.FHASALDA = g.FHASALDA
card.NUMHABDA = 202
card.PLANVIDA = "EP"
card.FORMPADA = "TARJETA"
card.SaveRegistroHuesped
card.PerformCapturaFirmaRegistroHuesped guest
card.PerformReporteRegistroHuesped guest
card.TelvarDesconectar

Sub Movement(day, description, charge, credit)
  statement.AgregarRenglonEdoCta
  statement.FhaMovimiento = day
  statement.DescripcionMvto = description
  statement.CargoMonto = charge
  statement.CreditoMonto = credit
  statement.HoraMvto = "12:00"
  statement.GuardarRenglonEdoCta
End Sub
