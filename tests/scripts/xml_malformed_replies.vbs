' Reply texts that the platform's XML parser refuses, beside look-alikes that it takes, handed to
' InvokeWebService by the simulated channel manager (which sends a request's own body back when
' the SOAPAction is its echo action). A refused text leaves the reply document empty: no
' documentElement, no xml, nothing to select, and parseError.errorCode nonzero. Wine's MSXML is
' the reference for every row here. Texts that Windows's MSXML and the library refuse but Wine's
' takes (undeclared namespace prefixes, entities declared in a document type) are in the XML
' module's unit tests instead.
Option Explicit
Dim failures, url, c, resp
Const ECHO_ACTION = "urn:halvora-sim:Echo"
Const REFUSED = False
Const PARSES = True
failures = 0

Sub Check(ok, what)
  If Not ok Then
    failures = failures + 1
    WScript.Echo "FAILED: " & what
  End If
End Sub

' Wine's VBScript takes a constant over a parameter of the same name: the parameter is not
' called "parses".
Sub Reply(body, expected)
  Dim what
  what = "[" & body & "]"
  Check c.InvokeWebService(body, ECHO_ACTION, url, resp), what & " echoed"
  If expected Then
    Check resp.parseError.errorCode = 0, what & " parses"
    Check Not resp.documentElement Is Nothing, what & " has a documentElement"
  Else
    Check resp.parseError.errorCode <> 0, what & " is refused"
    Check resp.documentElement Is Nothing, what & " leaves no documentElement"
    Check resp.xml = "", what & " leaves no xml"
    Check resp.selectSingleNode("/a") Is Nothing, what & " leaves nothing to select"
  End If
End Sub

url = WScript.Arguments(0)
Set c = CreateObject("HALVORA.ActualizaInventario")

' One root element, no character data outside it.
Reply "<a/><b/>", REFUSED
Reply "<a/>x", REFUSED
Reply "x<a/>", REFUSED
Reply "<a>1</a>2", REFUSED
Reply "<a/>" & Chr(160), REFUSED
Reply "<![CDATA[x]]><a/>", REFUSED
Reply "<a/> <!--c--> <?pi x?> " & vbCrLf, PARSES
' References: the five predefined entities, character references to allowed characters.
Reply "<a>&nbsp;</a>", REFUSED
Reply "<a b='&nbsp;'/>", REFUSED
Reply "<a>&AMP;</a>", REFUSED
Reply "<a>&amp</a>", REFUSED
Reply "<a>x & y</a>", REFUSED
Reply "<a>&#0;</a>", REFUSED
Reply "<a>&#xD800;</a>", REFUSED
Reply "<a>&#xFFFE;</a>", REFUSED
Reply "<a>&#X41;</a>", REFUSED
Reply "<a>&#65</a>", REFUSED
Reply "<a>&lt;&gt;&amp;&apos;&quot;&#x41;&#65;&#x10000;</a>", PARSES
' Attributes: no name twice, as written or by namespace and local name; no "<" in a value.
Reply "<a x='1' x='2'/>", REFUSED
Reply "<p:a xmlns:p='u' p:x='1' p:x='2'/>", REFUSED
Reply "<a xmlns:p='u' xmlns:q='u' p:x='1' q:x='2'/>", REFUSED
Reply "<a b='<'/>", REFUSED
Reply "<a xmlns:p='u' xmlns:q='v' p:x='1' q:x='2' x='3'/>", PARSES
Reply "<a b='>'/>", PARSES
' Namespace prefixes that are declared.
Reply "<p:a xmlns:p='u'><p:b/></p:a>", PARSES
Reply "<a xml:lang='es'/>", PARSES
' Characters XML does not allow.
Reply "<a>" & Chr(1) & "</a>", REFUSED
Reply "<a b='" & Chr(12) & "'/>", REFUSED
Reply "<a>" & vbTab & "ñ</a>", PARSES
' Text, comments, processing instructions.
Reply "<a>]]></a>", REFUSED
Reply "<a><!-- a -- b --></a>", REFUSED
Reply "<a><?Xml x?></a>", REFUSED
Reply "<a>]]&gt;<![CDATA[x]]]></a>", PARSES
' The declaration: first of all, version 1.x, then encoding, then standalone.
Reply " <?xml version='1.0'?><a/>", REFUSED
Reply "<a/><?xml version='1.0'?>", REFUSED
Reply "<?XML version='1.0'?><a/>", REFUSED
Reply "<?xml version='2.0'?><a/>", REFUSED
Reply "<?xml version='1.0' standalone='maybe'?><a/>", REFUSED
Reply "<?xml version='1.0' standalone='yes' encoding='utf-8'?><a/>", REFUSED
Reply "<?xml version='1.1' encoding='utf-8' standalone='no'?><a/>", PARSES
' The document type: before the root, once.
Reply "<a/><!DOCTYPE a>", REFUSED
Reply "<!DOCTYPE a><!DOCTYPE a><a/>", REFUSED
Reply "<!--c--><!DOCTYPE a><a/>", PARSES
' Names and broken markup.
Reply "<-a/>", REFUSED
Reply "<a><b></a>", REFUSED
Reply "not xml", REFUSED
Reply "<ñ é='1'/>", PARSES

WScript.Echo failures & " failure(s)"
WScript.Quit failures
