' The hotel's own data at the front desk: the clerk lists the guests in house, looks up the guest
' of room 202 and posts a spa charge to the account, then reads the room's charges back; then
' reads the hotel's configuration, a guest's coupon and the room states. Run by
' `make demo` against a database that the demo makes with halvora-sdk; its location is the first
' argument, as a host reads it from its own configuration.
Option Explicit
Dim guests, charges, db, user, pass, list, i, fields, number, config, coupons, states

db = WScript.Arguments(0)
user = "CAJERO"
pass = "secreto"

WScript.Echo "9. The clerk lists the guests in house and posts a spa charge to room 202."
Set guests = CreateObject("HALVORA.Db_Datos")
WScript.Echo "   connected: " & guests.TelvarConectarLobix(db, user, pass)
guests.GetList_HuespedesEnCasa
Set list = guests.GetList_ListaResultados
WScript.Echo "   " & list.Count & " guests in house:"
For i = 1 To list.Count
  fields = Split(list.Item(i), "|")
  WScript.Echo "     room " & fields(6) & ": " & fields(1)
Next
guests.GetHuespedByNumHab "202", "A"
WScript.Echo "   room 202 is " & guests.Db_Datos_Sdk_Info.NOMBREDA & ", guest " & _
  guests.Db_Datos_Sdk_Info.NUMHUESDA & ", rate " & guests.Db_Datos_Sdk_Info.TARIFADA

Set charges = CreateObject("HALVORA.DB_CAPCT")
charges.TelvarConectarLobix db, user, pass
charges.GeneraObjects
charges.Db_CapCt_Sdk_Info.Campo001 = guests.Db_Datos_Sdk_Info.NUMHABDA
charges.Db_CapCt_Sdk_Info.Campo002 = guests.Db_Datos_Sdk_Info.NUMHUESDA
charges.Db_CapCt_Sdk_Info.Campo005 = 432.75
charges.Db_CapCt_Sdk_Info.Campo012 = "SPA"
charges.Db_CapCt_Sdk_Info.Campo015 = "Masaje"
number = charges.GenerarCargo()
WScript.Echo "   spa charge of 432.75 posted as number " & number
charges.GetListCargos 202, 0, 0, 0, "N"
Set list = charges.ListaResultados
WScript.Echo "   charges of room 202:"
For i = 1 To list.Count
  If Trim(list.Item(i)) <> "" Then
    charges.GetListaResultados list.Item(i), "|"
    charges.GetEntityObject
    WScript.Echo "     " & charges.Db_CapCt_Sdk_Info.Campo000 & " " & _
      charges.Db_CapCt_Sdk_Info.Campo015 & " " & charges.Db_CapCt_Sdk_Info.Campo005
  End If
Next

WScript.Echo "10. The clerk reads the hotel's configuration, a guest's coupon and the room states."
Set config = CreateObject("HALVORA.Confi")
config.TelvarConectarLobix db, user, pass
config.GetConfiConfig
WScript.Echo "   configuration: " & config.Confi_Sdk_Info.Campo068 & ", " & _
  config.Confi_Sdk_Info.Campo128 & ", tax rate " & config.Confi_Sdk_Info.Campo029 & "%"
Set coupons = CreateObject("HALVORA.CUPONES")
coupons.TelvarConectarLobix db, user, pass
coupons.GetCuponesByNumHuest 1001, "A"
coupons.GetTipoCuponByClaveCup "DES"
WScript.Echo "   guest 1001 holds coupon " & coupons.Cupones_Sdk_Info.Campo000 & " worth " & _
  coupons.Cupones_Sdk_Info.Campo003 & " (" & coupons.Tipocupon_Sdk_Info.Campo002 & ")"
Set states = CreateObject("HALVORA.TAB_EST")
states.TelvarConectarLobix db, user, pass
states.GetTabEstByTypTab "ESTADO"
WScript.Echo "   room states:"
For i = 1 To states.Lista_Resultados.Count
  states.GetListaResultados states.Lista_Resultados.Item(i), "|"
  states.GetEntityObject
  WScript.Echo "     " & states.Tab_Est_Sdk_Info.Campo002 & " " & states.Tab_Est_Sdk_Info.Campo043
Next
