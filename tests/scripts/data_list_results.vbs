' The list members of the data classes against a fresh demo database (the third argument): each
' fills its list and hands back an empty array typed as declared, an array of strings, or of
' collections for the charge list. Wine 8's cscript names every array "Variant()" and takes the
' bounds only of arrays of Variants (445), so a script reads the type with VarType; the unit tests
' check TypeName "String()" and the bounds 0 to -1 under the script host, the C++ client the
' SAFEARRAY's type and bounds under Wine.
Option Explicit
Dim failures, db, user, pass, d, c, k, t, x
failures = 0

Sub Check(ok, what)
  If Not ok Then
    failures = failures + 1
    WScript.Echo "FAILED: " & what
  End If
End Sub

Sub CheckArray(result, member, wantType)
  Check IsArray(result), member & " hands back an array"
  Check VarType(result) = wantType, member & ": VarType " & VarType(result)
End Sub

db = WScript.Arguments(2)
user = "CAJERO"
pass = "secreto"

Set d = CreateObject("HALVORA.Db_Datos")
Check d.TelvarConectarLobix(db, user, pass), "Db_Datos connected"
x = d.GetList_HuespedesEnCasa()
CheckArray x, "GetList_HuespedesEnCasa", 8200
Check d.GetList_ListaResultados.Count = 4, "four guests listed"

Set k = CreateObject("HALVORA.CUPONES")
Check k.TelvarConectarLobix(db, user, pass), "CUPONES connected"
x = k.GetCuponesAll()
CheckArray x, "GetCuponesAll", 8200
Check k.ListaResultadoCupon.Count = 3, "three coupons listed"
x = k.GetTipoCuponAll()
CheckArray x, "GetTipoCuponAll", 8200
Check k.ListaResultadoTipoCupon.Count = 3, "the types list holds the coupon list"

Set t = CreateObject("HALVORA.TABCONF")
Check t.TelvarConectarLobix(db, user, pass), "TABCONF connected"
x = t.GetListTabConf()
CheckArray x, "GetListTabConf", 8200
Check t.ListaResultadosTabConf.Count = 3, "three tables listed"

Set c = CreateObject("HALVORA.DB_CAPCT")
Check c.TelvarConectarLobix(db, user, pass), "DB_CAPCT connected"
x = c.GetListCargos(202, 0, 0, 0, "N")
CheckArray x, "GetListCargos", 8201
Check c.ListaResultados.Count > 0, "the charges of room 202 listed"

' The arrays a script builds stay arrays of Variants beside them.
Check TypeName(Array()) = "Variant()" And VarType(Array()) = 8204, "Array() is Variant()"
Check TypeName(Split("a b")) = "Variant()", "Split gives Variant()"

WScript.Echo failures & " failure(s)"
WScript.Quit failures
