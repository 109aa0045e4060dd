' Inventory, restrictions and enhancements through both channel-manager classes against the
' simulated channel manager, whose URL is the script's first argument.
Option Explicit
Dim failures, url, names, i, c, list, resp
failures = 0

Sub Check(ok, what)
  If Not ok Then
    failures = failures + 1
    WScript.Echo "FAILED: " & what
  End If
End Sub

url = WScript.Arguments(0)
names = Array("HALVORA.ActualizaInventario", "HALVORA.eRevMax")
For i = 0 To 1
  Set c = CreateObject(names(i))
  Check c.Online, names(i) & " on line"
  Check c.ActualizaInventario(101, "2026-12-01", "2026-12-31", "DBL", url), _
        names(i) & " inventory update"
  Check c.RestrictionOpenClose_Date(102, "2026-12-24", "2026-12-25", "STE", url, "Close"), _
        names(i) & " restriction update"
  ' An unknown hotel is a fault from the service: false, without a message.
  Check Not c.ActualizaInventario(999, "2026-12-01", "2026-12-31", "DBL", url), _
        names(i) & " unknown hotel"
  Check Not c.RestrictionOpenClose_Date(0, "2026-12-24", "2026-12-25", "STE", url, "Open"), _
        names(i) & " hotel code 0"

  list = c.Enhancements(url, 5001)
  Check InStr(list, "<Code>DESAYUNO</Code>") > 0 And InStr(list, "<Code>SPA</Code>") > 0, _
        names(i) & " enhancements of 5001: " & list
  Check InStr(c.Enhancements(url, 42), "GetListResult") > 0, names(i) & " an empty list"
  Check c.Enhancements(url, 0) = "", names(i) & " registration 0"

  ' Called directly: the parsed reply comes back by reference, also for a fault.
  Check c.InvokeWebService("<x/>", "http://tempuri.org/IEnhancementsTC/GetList", url, resp), _
        names(i) & " direct call"
  Check InStr(resp.xml, "GetListResponse") > 0, names(i) & " reply by reference"
  Check Not c.InvokeWebService("<x/>", "urn:nada", url, resp), names(i) & " unknown action"
  Check InStr(resp.xml, "Fault") > 0, names(i) & " the fault by reference"
Next

WScript.Echo failures & " failure(s)"
WScript.Quit failures
