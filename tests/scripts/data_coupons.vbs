' Coupons and coupon types through CUPONES against a fresh demo database (the third argument):
' list, look up by guest and by room, look up types, and save a new coupon.
Option Explicit
Dim failures, db, user, pass, k, r, old, n
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
Set k = CreateObject("HALVORA.CUPONES")
Check k.TelvarConectarLobix(db, user, pass), "connected"
Check k.ListaResultadoCupon.Count = 0 And k.ListaResultadoTipoCupon.Count = 0, "empty lists"
Check k.Cupones_Sdk_Info Is Nothing, "no coupon record until a look-up"

n = k.GetCuponesAll()
Check IsArray(n), "the list hands back an array"
Check VarType(n) = 8200, "of strings"
Check k.ListaResultadoCupon.Count = 3, "three coupons, got " & k.ListaResultadoCupon.Count

' A look-up fills the record and lists the fields.
k.GetCuponesByNumHuest 1003, "A"
Set r = k.Cupones_Sdk_Info
Check k.ListaResultadoCupon.Count = 7, "seven fields, got " & k.ListaResultadoCupon.Count
Check r.Campo000 = 2 And VarType(r.Campo000) = 3, "the coupon's number"
Check r.Campo005 = "A", "its status"
Check r.Campo001 = 1003 And r.Campo002 = 201, "guest and room"
Check r.Campo003 = 99 And r.Campo004 = 2, "amount and type"
Check VarType(r.Campo006) = 7 And CDbl(r.Campo006) = 45659, "its date"
Set old = r
k.GetCuponesByNumHab 201, "U"
Check k.Cupones_Sdk_Info.Campo003 = 250, "the used coupon of room 201"
Check old.Campo003 = 99, "the record taken before keeps its values"

' Nothing found: a blank record and an empty list, and no error.
k.GetCuponesByNumHuest 9999, ""
Check k.ListaResultadoCupon.Count = 0, "nothing listed"
Check k.Cupones_Sdk_Info.Campo000 = 0 And k.Cupones_Sdk_Info.Campo005 = "", "a blank coupon"

' That blank coupon, filled in and saved, gets the next number and can be found.
Set r = k.Cupones_Sdk_Info
r.Campo001 = 1002
r.Campo002 = 102
r.Campo003 = 75
r.Campo004 = 1
r.Campo005 = "A"
r.Campo006 = CDate(45663)
n = k.DbCupones_Save()
Check VarType(n) = 2, "the answer is an Integer"
Check n = 4, "the fourth coupon, got " & n
k.GetCuponesByNumHab 102, "A"
Check k.Cupones_Sdk_Info.Campo000 = 4 And k.Cupones_Sdk_Info.Campo003 = 75, "found again"
k.GetCuponesAll
Check k.ListaResultadoCupon.Count = 4, "and listed"

' Coupon types.
k.GetTipoCuponByClaveCup "SPA"
Set r = k.Tipocupon_Sdk_Info
Check k.ListaResultadoTipoCupon.Count = 4, "four type fields"
Check r.Campo000 = 2 And r.Campo001 = "SPA", "number and key"
Check r.Campo002 = "MASAJE EN SPA" And r.Campo003 = 99, "name and value"
k.GetTipoCuponByNombreCup "cena para dos"
Check k.Tipocupon_Sdk_Info.Campo001 = "CEN", "a type found by its name, letter case aside"
k.GetTipoCuponByClaveCup "XYZ"
Check k.ListaResultadoTipoCupon.Count = 0 And k.Tipocupon_Sdk_Info.Campo001 = "", "no such type"
k.GetTipoCuponAll
Check k.ListaResultadoTipoCupon.Count = 4, "the types list holds the coupon list"

' Saving a record of another class is refused before the SDK sees it.
Set k.Cupones_Sdk_Info = k.Tipocupon_Sdk_Info
On Error Resume Next
n = k.DbCupones_Save()
Check Err.Number = 13, "a coupon type is not a coupon, got " & Err.Number
On Error GoTo 0

WScript.Echo failures & " failure(s)"
WScript.Quit failures
