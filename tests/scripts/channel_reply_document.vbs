' The reply of InvokeWebService read as a DOM document, through both channel-manager classes
' against the simulated channel manager (its URL is the script's first argument): the calls a
' host makes to read a reply, which reach the platform's own DOM document on Windows and the
' library's natively.
Option Explicit
Dim failures, url, names, i, c, resp, result, list, node, first
Const LIST_ACTION = "http://tempuri.org/IEnhancementsTC/GetList"
Const ECHO_ACTION = "urn:halvora-sim:Echo"
Const RESULT_PATH = "/s:Envelope/s:Body/GetListResponse/GetListResult"
failures = 0

Sub Check(ok, what)
  If Not ok Then
    failures = failures + 1
    WScript.Echo "FAILED: " & what
  End If
End Sub

Function GetList(registration)
  GetList = "<soapenv:Envelope xmlns:soapenv='http://schemas.xmlsoap.org/soap/envelope/' " & _
            "xmlns:tem='http://tempuri.org/'><soapenv:Body><tem:GetList><tem:uniqueID>" & _
            registration & "</tem:uniqueID></tem:GetList></soapenv:Body></soapenv:Envelope>"
End Function

url = WScript.Arguments(0)
names = Array("HALVORA.ActualizaInventario", "HALVORA.eRevMax")
For i = 0 To 1
  Set c = CreateObject(names(i))
  Check c.InvokeWebService(GetList(5001), LIST_ACTION, url, resp), names(i) & " list of 5001"
  ' Windows's MSXML calls its document "DOMDocument"; Wine's answers with the interface name.
  Check TypeName(resp) = "DOMDocument" Or TypeName(resp) = "IXMLDOMDocument3", _
        names(i) & " TypeName of the reply: " & TypeName(resp)
  Check resp.parseError.errorCode = 0, names(i) & " parseError.errorCode"
  Check resp.documentElement.nodeName = "s:Envelope", names(i) & " documentElement"
  Check TypeName(resp.documentElement) = "IXMLDOMElement", names(i) & " TypeName of an element"

  Set result = resp.selectSingleNode(RESULT_PATH)
  Check Not result Is Nothing, names(i) & " selectSingleNode"
  Check result.getAttribute("Count") = "2", names(i) & " getAttribute"
  Check IsNull(result.getAttribute("count")), names(i) & " getAttribute of a name not there"
  Check resp.selectSingleNode(RESULT_PATH & "/Enhancement/Code").text = "DESAYUNO", _
        names(i) & " selectSingleNode(...).text"
  Check resp.selectSingleNode("/s:Envelope/s:Body/Nada") Is Nothing, names(i) & " no match"
  Check resp.selectSingleNode("/Envelope/Body") Is Nothing, names(i) & " prefixes count"

  Set list = result.childNodes
  Check list.length = 2, names(i) & " childNodes.length"
  Check TypeName(list) = "IXMLDOMNodeList", names(i) & " TypeName of childNodes"
  Check list.item(1).selectSingleNode("Amount").text = "1200.5", names(i) & " item(1), relative"
  Check list.item(2) Is Nothing, names(i) & " item past the end"
  Check result.selectSingleNode("Enhancement/Description").text = "Desayuno buffet", _
        names(i) & " a path relative to a node"
  Check resp.childNodes.length = 2, names(i) & " the declaration and the envelope"

  Set list = resp.selectNodes(RESULT_PATH & "/Enhancement/Code")
  Check list.length = 2, names(i) & " selectNodes(...).length"
  Check list.item(0).text = "DESAYUNO" And list.item(1).text = "SPA", names(i) & " in order"
  Check resp.selectNodes("/s:Envelope/Nada").length = 0, names(i) & " selectNodes, no match"

  Set first = result.firstChild
  Check first.nodeName = "Enhancement", names(i) & " firstChild"
  Check first.nextSibling.firstChild.text = "SPA", names(i) & " nextSibling"
  Check first.firstChild.firstChild.nodeName = "#text", names(i) & " a text node"
  Check InStr(resp.xml, "<Code>SPA</Code>") > 0, names(i) & " xml"

  ' A node stays usable after the document is replaced.
  Set node = resp.documentElement
  Check c.InvokeWebService(GetList(42), LIST_ACTION, url, resp), names(i) & " list of 42"
  Check resp.selectSingleNode(RESULT_PATH).getAttribute("Count") = "0", names(i) & " Count 0"
  Check resp.selectSingleNode(RESULT_PATH).childNodes.length = 0, names(i) & " no children"
  Check resp.selectSingleNode(RESULT_PATH).firstChild Is Nothing, names(i) & " no firstChild"
  Check node.nodeName = "s:Envelope", names(i) & " an old node"
  Check node.selectSingleNode("s:Body/GetListResponse/GetListResult/Enhancement/Code").text = _
        "DESAYUNO", names(i) & " an old node keeps its document"

  ' A fault is a reply like any other.
  Check Not c.InvokeWebService(GetList(1), "urn:nada", url, resp), names(i) & " unknown action"
  Check resp.selectSingleNode("/s:Envelope/s:Body/s:Fault/faultstring").text = _
        "Acción desconocida", names(i) & " the fault's text"

  ' A reply that does not parse leaves an empty document, and parseError says so.
  Check c.InvokeWebService("<r><a>&nbsp;</a></r>", ECHO_ACTION, url, resp), names(i) & " echo"
  Check resp.parseError.errorCode <> 0, names(i) & " parseError of a reply that does not parse"
  Check resp.documentElement Is Nothing, names(i) & " no documentElement"
  Check resp.xml = "", names(i) & " no xml"
  Check resp.selectSingleNode("/r/a") Is Nothing, names(i) & " nothing to select"
Next

WScript.Echo failures & " failure(s)"
WScript.Quit failures
