' What every host gives a script: Timer, and variables that come into being when a by-reference
' parameter first sees them. Option Explicit is off on purpose: hosts' scripts often leave it off.
Dim failures
failures = 0

Sub Check(ok, what)
  If Not ok Then
    failures = failures + 1
    WScript.Echo "FAILED: " & what
  End If
End Sub

Sub SetTo(target, value)
  target = value
End Sub

' Timer: seconds since midnight, a Single; Single with Single stays Single, with a Long it is a
' Double.
started = Timer
Check TypeName(started) = "Single", "Timer is a Single, not " & TypeName(started)
Check started >= 0 And started < 86400, "Timer counts the seconds of today: " & started
Check TypeName(started - started) = "Single", "Single minus Single"
Check TypeName(started + 1) = "Single", "Single plus Integer"
Check TypeName(started + 100000) = "Double", "Single plus Long"

' A name seen for the first time as a by-reference argument is a variable that receives the value.
SetTo fresh, 42
Check fresh = 42, "a script's Sub writes back into a new variable: " & fresh

Set doc = CreateObject("HALVORA.Document")
Check doc.DllMain(instance, 1, reserved), "DllMain for a process attach"
Check TypeName(instance) = "Long", "the library writes its Long back: " & TypeName(instance)
Check TypeName(reserved) = "Long", "and into the third argument as well"

WScript.Echo failures & " failure(s)"
WScript.Quit failures
