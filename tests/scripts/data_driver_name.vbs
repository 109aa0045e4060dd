' The database location reached through a database driver that the deployment names (third
' argument: a fresh demo database). The Windows build reaches SQLite through an ODBC driver; the
' lines below give it one registered only under the name HALVORA_SDK_ODBC_DRIVER holds, while
' the usual name leads to a driver that cannot load (see tests/wine/run.sh): it connects only
' through the configured name. The native build reads SQLite directly and ignores both.
'@env ODBCINSTINI=odbcinst-configured.ini
'@env HALVORA_SDK_ODBC_DRIVER=HALVORA Prueba
Option Explicit
Dim failures, d, db, user, pass
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
Set d = CreateObject("HALVORA.Db_Datos")
Check d.TelvarConectarLobix(db, user, pass), "connected through the configured driver"
d.GetList_HuespedesEnCasa
Check d.GetList_ListaResultados.Count = 4, "four guests in house, got " & d.GetList_ListaResultados.Count

WScript.Echo failures & " failure(s)"
WScript.Quit failures
