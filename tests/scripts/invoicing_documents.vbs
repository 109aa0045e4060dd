'@einvoice
'@smtp
' The other documents through the e-invoicing server: a pre-invoice and a credit note with Factura,
' a mail with Mail, a guest's account statement with its movements through EdoCta and a
' registration with all 201 members through Clientes, each with the guest's signature (answered
' from invoicing_documents.answers) and its report.
Option Explicit
Dim failures, f, m, e, c, user, pass, r
failures = 0

Sub Check(ok, what)
  If Not ok Then
    failures = failures + 1
    WScript.Echo "FAILED: " & what
  End If
End Sub

Sub Document(f)
  f.RFC = "XAXX010101000"
  f.RazonSocial = "PUBLICO EN GENERAL"
  f.RegimenFiscalReceptor = "616"
  f.FormaPago = "EFECTIVO"
  f.MetodoPago = "UNA SOLA EXHIBICIÓN"
  f.AgregarRenglon
  f.ClaveProducto = "90111800"
  f.Cantidad = 0
  f.Descripcion = "Noche adicional"
  f.ValorUnitario = 800
  f.ImporteTotal = 800
  f.IvaPorciento = 16
  f.IvaImporte = 128
  f.FacturaSubTotal = 800
  f.FacturaTasaIva = 16
  f.FacturaTotalIva = 128
  f.FacturaTotalImporte = 928
End Sub

user = "cajero"
pass = "secreto"

' A pre-invoice: numbered in its own series, not stamped, and not to be cancelled.
Set f = CreateObject("HALVORA.Factura")
Check f.TelvarConectar("", user, pass), "Factura connected"
f.Sucursal = 1
Document f
Check f.Cantidad = 1, "a quantity of 0 is one"
f.GenerarPrefactura
Set r = f.ListaResultados
Check r.Item(2) = "2" And r.Item(6) = "Prefactura" And r.Item(7) = "PRE", _
  "a pre-invoice of series PRE: " & r.Item(2) & " " & r.Item(6) & " " & r.Item(7)
Check f.ObtenerUUID() = "" And f.ObtenerXML() = "", "a pre-invoice has no stamp"
f.VerFactura
On Error Resume Next
f.CancelarFactura
Check Err.Number = vbObjectError + 1005, "a pre-invoice is not cancelled: " & Err.Number
Err.Clear
On Error GoTo 0

' A credit note goes through the invoice's operation: an income document of series A.
f.NuevaFactura
Document f
f.GenerarNotaDeCredito
Set r = f.ListaResultados
Check r.Item(2) = "1" And r.Item(6) = "Vigente" And r.Item(7) = "A", "issued as an invoice"
Check Len(f.ObtenerUUID()) = 36, "stamped"
f.IsCFDIV4
Check f.IsCfdi4, "the server issues CFDI 4.0"
f.TelvarDesconectar

' A mail.
Set m = CreateObject("HALVORA.Mail")
m.Mail_To = "nadie@example.com"
Check m.TelvarConectar("", user, pass), "Mail connected"
Check m.EFacturaConnected, "Mail's flag"
Check m.Mail_To = "", "a write before connecting is not carried over"
m.Mail_From = "recepcion@hotel.example"
m.Mail_Name = "Hotel de Prueba"
m.Mail_To = "daniel@example.com"
m.Mail_Subject = "Gracias por su estancia"
m.Mail_Body = "Le esperamos pronto." & vbCrLf & "Recepción"
Check m.Mail_Subject = "Gracias por su estancia", "the subject reads back"
Check m.SendMail(), "the relay took the message"
Check m.SendMail(), "and took it again"
m.TelvarDesconectar

' The guest's account statement: header, three movements, saved, signed and printed.
Set e = CreateObject("HALVORA.EdoCta")
Check e.TelvarConectar("", user, pass), "EdoCta connected"
e.NumHab = "204"
e.NombreHuesped = "DANIEL NÚÑEZ"
e.FhaEntrada = CDate(45474)
e.FhaSalida = CDate(45476)
e.NoControl = "1004"
e.Adultos = 2
e.Ninos = 1
e.FolioCuenta = 7
e.RFC = "XOCD720319T86"
e.Ciudad = "Cancún"
e.Email = "daniel@example.com"
e.FormaPago = "EFECTIVO"
e.AgregarRenglonEdoCta
e.FhaMovimiento = CDate(45474)
e.DescripcionMvto = "Hospedaje"
e.CargoMonto = 1000
e.HoraMvto = "15:00"
e.Referencia = "H-1"
e.GuardarRenglonEdoCta
e.AgregarRenglonEdoCta
e.FhaMovimiento = CDate(45475)
e.DescripcionMvto = "Restaurante"
e.CargoMonto = 450.5
e.HoraMvto = "21:10"
e.GuardarRenglonEdoCta
e.AgregarRenglonEdoCta
e.FhaMovimiento = CDate(45476)
e.DescripcionMvto = "Pago con tarjeta"
e.CreditoMonto = 1450.5
e.GuardarRenglonEdoCta
e.SaveEdoCuentaLobix
e.PerformCapturaFirmaEstadoDeCuenta "1004"
e.PerformReporteEstadoDeCuenta "1004", 7
e.TelvarDesconectar

' The registration card: every one of its members, saved, signed and printed.
Set c = CreateObject("HALVORA.Clientes")
Check c.TelvarConectar("", user, pass), "Clientes connected"
c.NumeroReserva = "R-7781"
c.Tarifa = 1000
c.FechaEntrada = CDate(45474)
c.FechaSalida = CDate(45476)
c.TipoHabilitacion = "DOBLE"
c.NumeroHabitacion = 204
c.Adultos = 2
c.Ninos = 1
c.ApellidoPaterno = "NÚÑEZ"
c.Nombre = "DANIEL"
c.Email = "daniel@example.com"
c.Direccion = "Av. Tulum 12"
c.Ciudad = "Cancún"
c.Pais = "México"
c.CodigoPostal = "77500"
c.Empresa = "Cárdenas y Asociados"
c.Telefono = "998 123 4567"
c.RFC = "XOCD720319T86"
c.NumeroHuesped = "1004"
c.NOMBREDA = "NÚÑEZ CÁRDENAS DANIEL"
c.STATUSDA = "A"
c.CIUDADDA = "Cancún"
c.numresda = 7781
c.FHAENTDA = CDate(45497)
c.FHASALDA = CDate(45498)
c.FHAEXTDA = CDate(45499)
c.NUMHABDA = 27.5
c.PLANVIDA = "planvida 28"
c.OBSERVDA = "observda 29"
c.OBSERVDA2 = "observda2 30"
c.DIRDA = "dirda 31"
c.TELDA = "telda 32"
c.PAISDA = "paisda 33"
c.NOMCIADA = "nomciada 34"
c.FORMPADA = "formpada 35"
c.DEPOSIDA = 36.5
c.FHADEPDA = CDate(45510)
c.NUMPERDA = 38.5
c.TARIFADA = 39.5
c.NUMCUADA = 40.5
c.FECHRESDA = CDate(45514)
c.CARGO1DA = 42.5
c.NOMCAR1DA = "nomcar1da 43"
c.CUENCAR1DA = 44.5
c.CARGO2DA = 45.5
c.NOMCAR2DA = "nomcar2da 46"
c.CUENCAR2DA = 47.5
c.CARGO3DA = 48.5
c.NOMCAR3DA = "nomcar3da 49"
c.CUENCAR3DA = 50.5
c.CARGO4DA = 51.5
c.NOMCAR4DA = "nomcar4da 52"
c.CUENCAR4DA = 53.5
c.CARGO5DA = 54.5
c.NOMCAR5DA = "nomcar5da 55"
c.CUENCAR5DA = 56.5
c.PASEDA = "paseda 57"
c.CUPAGDA = "cupagda 58"
c.FACTURADA = 59.5
c.FHARESDA = CDate(45533)
c.NOMFOL1DA = "nomfol1da 61"
c.NOMFOL2DA = "nomfol2da 62"
c.NOMFOL3DA = "nomfol3da 63"
c.FOLEX1DA = "folex1da 64"
c.FOLEX2DA = "folex2da 65"
c.FOLEX3DA = "folex3da 66"
c.FOLEX4DA = "folex4da 67"
c.FOLEX5DA = "folex5da 68"
c.FOLEX6DA = "folex6da 69"
c.AUDITDA = "auditda 70"
c.HORASALIDA = "horasalida 71"
c.HORAENTRAD = "horaentrad 72"
c.PROGEODA = "progeoda 73"
c.CVEGRLDA = "cvegrlda 74"
c.NUMHUESDA = 75.5
c.TPOCAM1DA = 76.5
c.TPOCAM2DA = 77.5
c.TPOCAM3DA = 78.5
c.TPOCAM4DA = 79.5
c.TPOCAM5DA = 80.5
c.TPOCAM6DA = 81.5
c.CTAMSRDA = 82.5
c.GARANTIADA = "garantiada 83"
c.CVEESTDA1 = "cveestda1 84"
c.CVEESTDA2 = "cveestda2 85"
c.CVEESTDA3 = "cveestda3 86"
c.CVEESTDA4 = "cveestda4 87"
c.CVEESTDA5 = "cveestda5 88"
c.CVEESTDA6 = "cveestda6 89"
c.CVEESTDA7 = "cveestda7 90"
c.CVEESTDA8 = "cveestda8 91"
c.CVEESTDA9 = "cveestda9 92"
c.CVEESTDA10 = "cveestda10 93"
c.CVEESTDA11 = "cveestda11 94"
c.CVEESTDA12 = "cveestda12 95"
c.CVEESTDA13 = "cveestda13 96"
c.CVEESTDA14 = "cveestda14 97"
c.CVEESTDA15 = "cveestda15 98"
c.CVEESTDA16 = "cveestda16 99"
c.HABEX1DA = 100.5
c.HABEX2DA = 101.5
c.HABEX3DA = 102.5
c.HABEX4DA = 103.5
c.HABEX5DA = 104.5
c.INIREGDA = "iniregda 105"
c.HORAMOVDA = "horamovda 106"
c.CREDITODA = "creditoda 107"
c.NUMNINDA = 108.5
c.CUENTASDA = "cuentasda 109"
c.RFCDA = "rfcda 110"
c.DIRCIADA = "dirciada 111"
c.CIUDCIADA = "ciudciada 112"
c.FACTADA = "factada 113"
c.FORRESDA = CDate(45587)
c.FHALIMDA = CDate(45588)
c.HORLIMDA = "horlimda 116"
c.TIPTARDA = "tiptarda 117"
c.CVEGPODA = "cvegpoda 118"
c.CAJASEDA = "cajaseda 119"
c.NUMREGDA = 120.5
c.ORIGENDA = "origenda 121"
c.ESTRESDA = 122.5
c.NUMVIPDA = 123.5
c.NUMEXTDA = 124.5
c.NUMCANDA = 125.5
c.CANREGDA = 126.5
c.FHAREGDA = CDate(45600)
c.ESTCALDA = 128.5
c.MONCREDA = 129.5
c.MASCREDA = "mascreda 130"
c.TARNINDA = "tarninda 131"
c.ESTADODA = "estadoda 132"
c.NUMLISDA = 133.5
c.EDAD01DA = 134.5
c.EDAD02DA = 135.5
c.EDAD03DA = 136.5
c.EDAD04DA = 137.5
c.EDAD05DA = 138.5
c.EDAD06DA = 139.5
c.EDAD07DA = 140.5
c.EDAD08DA = 141.5
c.EDAD09DA = 142.5
c.FOLCEDDA = "folcedda 143"
c.NOMBR_DA = "nombr_da 144"
c.APPAT_DA = "appat_da 145"
c.APMAT_DA = "apmat_da 146"
c.EMAIL_DA = "email_da 147"
c.CODPOSDA = "codposda 148"
c.TELEFODA = "telefoda 149"
c.PORCOMDA = 150.5
c.TIPCOMDA = "tipcomda 151"
c.TICAMODA = 152.5
c.INIRESDA = "iniresda 153"
c.HORARESDA = "horaresda 154"
c.TARTARIFAR = 155.5
c.OBSERVDA4 = "observda4 156"
c.OBSERVDA5 = "observda5 157"
c.MOTCAMODA = "motcamoda 158"
c.MOTCAMBDA = "motcambda 159"
c.MOTCAMUDA = "motcamuda 160"
c.MOTCAMDDA = CDate(45634)
c.MOTCAMTDA = "motcamtda 162"
c.MOTTARODA = 163.5
c.MOTTARBDA = "mottarbda 164"
c.MOTTARUDA = "mottaruda 165"
c.MOTTARDDA = CDate(45639)
c.MOTTARTDA = "mottartda 167"
c.NOMFACT = "nomfact 168"
c.FHAMOVDA = CDate(45642)
c.FHAHISTDA = "fhahistda 170"
c.TITHUEDA = "tithueda 171"
c.ANTHABDA = "anthabda 172"
c.VIPDA = "vipda 173"
c.COLCIADA = "colciada 174"
c.EDOCIADA = "edociada 175"
c.PAISCIADA = "paisciada 176"
c.CPCIADA = "cpciada 177"
c.NOMAGEDA = "nomageda 178"
c.DIRAGEDA = "dirageda 179"
c.COLAGEDA = "colageda 180"
c.CIUDAGEDA = "ciudageda 181"
c.EDOAGEDA = "edoageda 182"
c.PAISAGEDA = "paisageda 183"
c.CPAGEDA = "cpageda 184"
c.COLONIDA = "colonida 185"
c.NOTARDA = "notarda 186"
c.USOHOTELDA = "usohotelda 187"
c.DELHUEDA = "delhueda 188"
c.DELAGEDA = "delageda 189"
c.DELCIADA = "delciada 190"
c.RFCHUEDA = "rfchueda 191"
c.RFCAGEDA = "rfcageda 192"
c.FE_CPAGO = "fe_cpago 193"
c.FE_C2PAGO = "fe_c2pago 194"
c.FE_FPAGO = "fe_fpago 195"
c.FE_CTAPAG = "fe_ctapag 196"
c.TARJ_NUM = "tarj_num 197"
c.TARJ_FHA = "tarj_fha 198"
c.TARJ_COD = "tarj_cod 199"
c.HABGRUDA = 200.5
c.NORESMDA = "noresmda 201"
c.SaveRegistroHuesped
c.PerformCapturaFirmaRegistroHuesped "1004"
c.PerformReporteRegistroHuesped "1004"
c.TelvarDesconectar

WScript.Echo failures & " failure(s)"
WScript.Quit failures
