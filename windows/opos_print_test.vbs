' Drives QVSO.dll's printer through IDispatch late binding, as a Windows
' point-of-sale script does: CreateObject by ProgID, OpenService with no
' event sink (Nothing), claim, enable, print, cut, read properties, release.
' scripts/test-windows runs it with Wine's cscript.
'
'   cscript //nologo opos_print_test.vbs LDN TEXT
'
' Prints one "PASS <check>" or "FAIL <check>: <detail>" line per check (and
' "INFO" lines), then "END", and exits with the number of failures.
Option Explicit

Const PTR_S_RECEIPT = 2
Const PTR_CP_FULLCUT = 100
Const PIDX_DeviceEnabled = 3
Const PIDX_ResultCode = 6
Const PIDX_ServiceObjectVersion = 8
Const PIDX_State = 9
Const PIDXPtr_CoverOpen = 8003
Const PIDXPtr_RecLineChars = 8016
Const PIDXPtr_CapRecPresent = 8527
Const PIDX_DeviceDescription = 1000002
Const PIDX_DeviceName = 1000003
Const OPOS_S_CLOSED = 1
Const OPOS_S_IDLE = 2
Const OPOS_SUCCESS = 0
Const OPOS_E_FAILURE = 111

Dim failures
failures = 0

Sub Check(name, ok, detail)
  If ok Then
    WScript.Echo "PASS " & name
  Else
    WScript.Echo "FAIL " & name & ": " & detail
    failures = failures + 1
  End If
End Sub

Sub CheckResult(name, rc)
  Check name, rc = OPOS_SUCCESS, "result " & rc
End Sub

If WScript.Arguments.Count <> 2 Then
  WScript.Echo "usage: cscript //nologo opos_print_test.vbs LDN TEXT"
  WScript.Quit 2
End If
Dim ldn, text
ldn = WScript.Arguments(0)
text = WScript.Arguments(1)

Dim printer, rc, value
Set printer = CreateObject("QV.Opos.Printer")
Check "CreateObject(""QV.Opos.Printer"")", IsObject(printer), "no object"

Check "State before OpenService is closed", printer.GetPropertyNumber(PIDX_State) = OPOS_S_CLOSED, _
      "State " & printer.GetPropertyNumber(PIDX_State)

CheckResult "OpenService(""POSPrinter"", LDN, Nothing)", printer.OpenService("POSPrinter", ldn, Nothing)
CheckResult "ClaimDevice(1000)", printer.ClaimDevice(1000)
printer.SetPropertyNumber PIDX_DeviceEnabled, 1
CheckResult "SetPropertyNumber(DeviceEnabled, 1)", printer.GetPropertyNumber(PIDX_ResultCode)
Check "DeviceEnabled reads 1", printer.GetPropertyNumber(PIDX_DeviceEnabled) = 1, _
      "DeviceEnabled " & printer.GetPropertyNumber(PIDX_DeviceEnabled)

' The network connection is made in the background after enabling. A print
' before it is up fails with 111 and sends nothing, so it is tried again.
Dim tries
tries = 0
Do
  printer.PrintNormal PTR_S_RECEIPT, Chr(27) & "|bC" & text & Chr(27) & "|N" & vbLf
  rc = printer.GetPropertyNumber(PIDX_ResultCode)
  If rc <> OPOS_E_FAILURE Or tries >= 100 Then Exit Do
  tries = tries + 1
  WScript.Sleep 100
Loop
CheckResult "PrintNormal(PTR_S_RECEIPT, bold text)", rc
CheckResult "CutPaper(100)", printer.CutPaper(PTR_CP_FULLCUT)

Check "State is idle", printer.GetPropertyNumber(PIDX_State) = OPOS_S_IDLE, _
      "State " & printer.GetPropertyNumber(PIDX_State)
Check "CapRecPresent reads 1", printer.GetPropertyNumber(PIDXPtr_CapRecPresent) = 1, _
      "CapRecPresent " & printer.GetPropertyNumber(PIDXPtr_CapRecPresent)
Check "CoverOpen reads 0", printer.GetPropertyNumber(PIDXPtr_CoverOpen) = 0, _
      "CoverOpen " & printer.GetPropertyNumber(PIDXPtr_CoverOpen)
value = printer.GetPropertyNumber(PIDXPtr_RecLineChars)
Check "RecLineChars is positive", value > 0, "RecLineChars " & value
value = printer.GetPropertyNumber(PIDX_ServiceObjectVersion)
Check "ServiceObjectVersion is positive", value > 0, "ServiceObjectVersion " & value
value = printer.GetPropertyString(PIDX_DeviceName)
Check "DeviceName is set", Len(value) > 0, "empty"
WScript.Echo "INFO DeviceName: " & value
WScript.Echo "INFO DeviceDescription: " & printer.GetPropertyString(PIDX_DeviceDescription)

printer.SetPropertyNumber PIDX_DeviceEnabled, 0
CheckResult "SetPropertyNumber(DeviceEnabled, 0)", printer.GetPropertyNumber(PIDX_ResultCode)
CheckResult "ReleaseDevice", printer.ReleaseDevice()
CheckResult "CloseService", printer.CloseService()
Set printer = Nothing

' A script error ends the script before this line (Wine's cscript then exits
' with 0 and says nothing), so the caller looks for it.
WScript.Echo "END " & failures & " failed"
WScript.Quit failures
