' What the hotel database gives back through the data classes against a fresh demo database (its
' location is the third argument): amounts exactly as they were posted, the largest one included,
' and guests found by name whatever the letter case of its accented letters.
Option Explicit
Dim failures, c, d, db, user, pass, amounts, i, l, found, r, amount
failures = 0

Sub Check(ok, what)
  If Not ok Then
    failures = failures + 1
    WScript.Echo "FAILED: " & what
  End If
End Sub

db = WScript.Arguments(2)
user = "CAJERO"
pass = "secreto"

' Amounts that fifteen digits do not carry: a sum with a binary tail, a third, the largest Double.
amounts = Array(0.1 + 0.2, 1 / 3, (2 - 2 ^ (-52)) * 2 ^ 1023)
Set c = CreateObject("HALVORA.DB_CAPCT")
Check c.TelvarConectarLobix(db, user, pass), "connected for charges"
For i = 0 To UBound(amounts)
  c.GeneraObjects
  c.Db_CapCt_Sdk_Info.Campo001 = 105
  c.Db_CapCt_Sdk_Info.Campo005 = amounts(i)
  c.Db_CapCt_Sdk_Info.Campo015 = "Importe " & i
  c.GenerarCargo
Next
c.GetListCargos 105, 0, 0, 0, ""
Set l = c.ListaResultados
Check l.Count = 3, "three charges in room 105, got " & l.Count
For i = 1 To l.Count
  c.GetListaResultados l.Item(i), "|"
  On Error Resume Next
  c.GetEntityObject
  If Err.Number <> 0 Then
    Check False, "charge " & i & " reads back: error " & Err.Number & " " & Err.Description
    Err.Clear
  Else
    Set r = c.Db_CapCt_Sdk_Info
    amount = amounts(CInt(Mid(r.Campo015, 9)))
    Check r.Campo005 = amount, "charge " & i & ": " & r.Campo005 & " read back as posted"
  End If
  On Error GoTo 0
Next

' Names: the letters of Spanish in either case; an accent still tells two letters apart.
Set d = CreateObject("HALVORA.Db_Datos")
Check d.TelvarConectarLobix(db, user, pass), "connected for guests"
d.GetHuespedByNombreHuesped "josé ñúñez", ""
Check d.Db_Datos_Sdk_Info.NOMBREDA = "JOSÉ ÑÚÑEZ", "josé ñúñez: " & d.Db_Datos_Sdk_Info.NOMBREDA
d.GetHuespedByNombreHuesped "Ñúñez", "S"
Check d.Db_Datos_Sdk_Info.NUMHABDA = 104, "Ñúñez who left: room " & d.Db_Datos_Sdk_Info.NUMHABDA
d.GetHuespedByNombreHuesped "ñúñez", "A"
Check d.ListaResultados.Count = 0, "ñúñez is not in house"
d.GetHuespedByNombreHuesped "nunez", ""
Check d.ListaResultados.Count = 0, "nunez is another name"
d.GetHuespedByNombreHuesped "jose", "A"
Check d.Db_Datos_Sdk_Info.NOMBREDA = "MARIA JOSE PEREZ", "jose in house: " & d.Db_Datos_Sdk_Info.NOMBREDA

WScript.Echo failures & " failure(s)"
WScript.Quit failures
