' Endpoints that cannot be reached or are not URLs: each update shows its report and answers
' false or an empty text; InvokeWebService lets the failure reach the script.
Option Explicit
Dim failures, names, i, c, resp
Const DEAD = "http://127.0.0.1:1/channel"
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
  Check Not c.ActualizaInventario(101, "2026-12-01", "2026-12-31", "DBL", DEAD), _
        names(i) & " unreachable inventory"
  Check Not c.RestrictionOpenClose_Date(101, "2026-12-01", "2026-12-31", "DBL", DEAD, "Close"), _
        names(i) & " unreachable restriction"
  Check c.Enhancements("no es una URL", 5001) = "", names(i) & " enhancements without a URL"

  resp = "before"
  On Error Resume Next
  c.InvokeWebService "<x/>", "urn:a", DEAD, resp
  Check Err.Number = -2146697211, names(i) & " the failure reaches the script, got " & Err.Number
  Check Err.Source = "msxml6.dll", names(i) & " its source"
  Err.Clear
  On Error GoTo 0
  Check resp = "before", names(i) & " the reference is untouched"
Next

WScript.Echo failures & " failure(s)"
WScript.Quit failures
