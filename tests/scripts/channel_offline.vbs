' Off line: the updates send nothing and say nothing; InvokeWebService called directly says so.
'@env HALVORA_NETSTATE=lan
Option Explicit
Dim failures, names, i, c, resp
failures = 0

Sub Check(ok, what)
  If Not ok Then
    failures = failures + 1
    WScript.Echo "FAILED: " & what
  End If
End Sub

names = Array("HALVORA.ActualizaInventario", "HALVORA.eRevMax")
For i = 0 To 1
  Set c = CreateObject(names(i))
  Check Not c.Online, names(i) & " off line"
  Check Not c.ActualizaInventario(101, "2026-12-01", "2026-12-31", "DBL", WScript.Arguments(0)), _
        names(i) & " inventory"
  Check Not c.RestrictionOpenClose_Date(101, "2026-12-01", "2026-12-31", "DBL", _
        WScript.Arguments(0), "Close"), names(i) & " restriction"
  Check c.Enhancements(WScript.Arguments(0), 5001) = "", names(i) & " enhancements"
  resp = Empty
  Check Not c.InvokeWebService("<x/>", "urn:a", WScript.Arguments(0), resp), names(i) & " direct"
  Check IsEmpty(resp), names(i) & " nothing by reference"
Next

WScript.Echo failures & " failure(s)"
WScript.Quit failures
