; Quimbo's Windows setup: quimbo.exe in Program Files\Quimbo, an example quimbo.ini
; beside it, and Quimbo started either as a window at log-on or as the service
; "Quimbo". Built by win/installatore/CMakeLists.txt, which gives:
;   VERSIONE       the program's version (x.y.z)
;   VERSIONE_FILE  the same as four numbers, for the file's version resource
;   ESEGUIBILE     quimbo.exe
;   INI            the example quimbo.ini (CRLF lines)
;   USCITA         the setup to write
;   ICONA          the program's icon, for the setup and the uninstaller too
;
; Command line: /S silent (window at log-on), /SERVIZIO the service (silent, or
; preselected on the page), /D=folder as for any NSIS setup.

Unicode true
Target amd64-unicode
ManifestSupportedOS all
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include MUI2.nsh
!include nsDialogs.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh

!define SERVIZIO "Quimbo"
!define CLASSE_FINESTRA "QuimboFinestra"
!define CHIAVE_DISINSTALLA "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quimbo"
!define CHIAVE_SERVIZIO "SYSTEM\CurrentControlSet\Services\${SERVIZIO}"
!define CHIAVE_REGISTRO_EVENTI "SYSTEM\CurrentControlSet\Services\EventLog\Application\Quimbo"
; Half-seconds given to a closing window or a stopping service. A payment in progress
; is finished first, and a silent register is waited for up to TempoMaxRisposta (30 s
; in the example INI): the service itself asks the system for 60 s.
!define ATTESA_CHIUSURA 140

; winsvc.h
!define SC_MANAGER_CONNECT 0x0001
!define SERVICE_QUERY_STATUS 0x0004
!define SERVICE_STOPPED 1
!define SERVICE_START_PENDING 2
!define SERVICE_RUNNING 4
!define SYNCHRONIZE 0x00100000

Name "Quimbo ${VERSIONE}"
OutFile "${USCITA}"
InstallDir "$PROGRAMFILES64\Quimbo"
; An update goes where the last install went.
InstallDirRegKey HKLM "${CHIAVE_DISINSTALLA}" "InstallLocation"
BrandingText "Quimbo ${VERSIONE}"

VIProductVersion "${VERSIONE_FILE}"
VIAddVersionKey /LANG=1040 "ProductName" "Quimbo"
VIAddVersionKey /LANG=1040 "ProductVersion" "${VERSIONE}"
VIAddVersionKey /LANG=1040 "FileVersion" "${VERSIONE}"
VIAddVersionKey /LANG=1040 "FileDescription" "Installazione di Quimbo"
VIAddVersionKey /LANG=1040 "CompanyName" "Quimbo"
VIAddVersionKey /LANG=1040 "LegalCopyright" "Quimbo"

Var Modo            ; "finestra" or "servizio"
Var RadioFinestra
Var RadioServizio
Var ServizioAttivo  ; 1: the service ran before this install
Var TestoFine
Var FinestraChiusa  ; 1: a window of Quimbo was closed for the update

!define MUI_ABORTWARNING
!define MUI_ICON "${ICONA}"
!define MUI_UNICON "${ICONA}"
!define MUI_FINISHPAGE_TEXT "$TestoFine"
!insertmacro MUI_PAGE_DIRECTORY
Page custom PaginaAvvio PaginaAvvioFine
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "Italian"

; What the setup and the uninstaller share: each needs its own copy ("un." names).
; They use $0 to $5.
!macro Comuni un

; $0: the state of the service (SERVICE_STOPPED ... SERVICE_RUNNING), 0 when there
; is none. Asked of the Service Control Manager, not read from sc.exe's text, which
; is not the same on every system.
Function ${un}StatoServizio
  StrCpy $0 0
  System::Call 'advapi32::OpenSCManagerW(p 0, p 0, i ${SC_MANAGER_CONNECT}) p .r1'
  ${If} $1 P<> 0
    System::Call 'advapi32::OpenServiceW(p r1, w "${SERVIZIO}", i ${SERVICE_QUERY_STATUS}) p .r2'
    ${If} $2 P<> 0
      ; SERVICE_STATUS: seven DWORDs, the state the second.
      System::Call '*(i 0, i 0, i 0, i 0, i 0, i 0, i 0) p .r3'
      System::Call 'advapi32::QueryServiceStatus(p r2, p r3) i .r0'
      ${If} $0 <> 0
        System::Call '*$3(i, i .r0)'
      ${Else}
        StrCpy $0 ${SERVICE_STOPPED}  ; it is there, whatever it is doing
      ${EndIf}
      System::Free $3
      System::Call 'advapi32::CloseServiceHandle(p r2)'
    ${EndIf}
    System::Call 'advapi32::CloseServiceHandle(p r1)'
  ${EndIf}
FunctionEnd

; Stops the service and waits until it has stopped (a receipt in progress is
; finished first). A start still pending takes no stop: it is waited out.
Function ${un}FermaServizio
  Call ${un}StatoServizio
  ${If} $0 = 0
  ${OrIf} $0 = ${SERVICE_STOPPED}
    Return
  ${EndIf}
  DetailPrint "Arresto del servizio ${SERVIZIO}..."
  StrCpy $2 0
  ${Do}
    ${If} $0 = ${SERVICE_RUNNING}
      nsExec::Exec '"$SYSDIR\sc.exe" stop ${SERVIZIO}'
      Pop $1
    ${EndIf}
    Sleep 500
    IntOp $2 $2 + 1
    Call ${un}StatoServizio
    ${If} $0 = 0
    ${OrIf} $0 = ${SERVICE_STOPPED}
      Return
    ${EndIf}
  ${LoopUntil} $2 >= ${ATTESA_CHIUSURA}
  DetailPrint "Il servizio ${SERVIZIO} non si è fermato (stato $0)."
FunctionEnd

; Closes Quimbo's window as its close box would, and waits until its program has
; ended: it finishes a receipt in progress first, and the window goes a moment before
; the program lets go of quimbo.exe. Each window is asked once. $5: 1 when a window
; was closed.
Function ${un}ChiudiFinestra
  StrCpy $2 0
  StrCpy $3 0  ; the last window asked
  StrCpy $4 0  ; its program, while it runs
  StrCpy $5 0
  ${Do}
    ${If} $4 P<> 0
      System::Call 'kernel32::WaitForSingleObject(p r4, i 0) i .r1'
      ${If} $1 = 0
        System::Call 'kernel32::CloseHandle(p r4)'
        StrCpy $4 0
      ${EndIf}
    ${EndIf}
    FindWindow $0 "${CLASSE_FINESTRA}"
    ${If} $0 = 0
    ${AndIf} $4 P= 0
      Return
    ${EndIf}
    ${If} $0 <> 0
    ${AndIf} $0 <> $3
    ${AndIf} $4 P= 0
      DetailPrint "Chiusura della finestra di Quimbo..."
      System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1) i'
      System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i r1) p .r4'
      SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=1000
      StrCpy $3 $0
      StrCpy $5 1
    ${EndIf}
    Sleep 500
    IntOp $2 $2 + 1
  ${LoopUntil} $2 >= ${ATTESA_CHIUSURA}
  ${If} $4 P<> 0
    System::Call 'kernel32::CloseHandle(p r4)'
  ${EndIf}
  DetailPrint "La finestra di Quimbo è ancora aperta."
FunctionEnd

; Removes the (stopped) service, if there is one. The exit code of quimbo.exe, or
; of sc.exe when quimbo.exe is not there, in $0; 0 when there was nothing to remove.
Function ${un}TogliServizio
  Call ${un}StatoServizio
  ${If} $0 = 0
    Return
  ${EndIf}
  DetailPrint "Rimozione del servizio ${SERVIZIO}..."
  ${If} ${FileExists} "$INSTDIR\quimbo.exe"
    nsExec::ExecToLog '"$INSTDIR\quimbo.exe" --rimuovi-servizio ${SERVIZIO}'
  ${Else}
    nsExec::ExecToLog '"$SYSDIR\sc.exe" delete ${SERVIZIO}'
  ${EndIf}
  Pop $0
  ; The event log's source goes with the service.
  ${If} $0 == 0
    DeleteRegKey HKLM "${CHIAVE_REGISTRO_EVENTI}"
  ${EndIf}
FunctionEnd

!macroend
!insertmacro Comuni ""
!insertmacro Comuni "un."

Function .onInit
  SetRegView 64
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    MessageBox MB_ICONSTOP "Per installare Quimbo servono i diritti di amministratore." /SD IDOK
    SetErrorLevel 740  ; ERROR_ELEVATION_REQUIRED
    Quit
  ${EndIf}
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/SERVIZIO" $R1
  ${IfNot} ${Errors}
    StrCpy $Modo servizio
  ${ElseIf} ${Silent}
    StrCpy $Modo finestra
  ${Else}
    ; On the page, an update offers what is installed.
    Call StatoServizio
    ${If} $0 <> 0
      StrCpy $Modo servizio
    ${Else}
      StrCpy $Modo finestra
    ${EndIf}
  ${EndIf}
FunctionEnd

Function PaginaAvvio
  !insertmacro MUI_HEADER_TEXT "Avvio di Quimbo" "Scegliere come si avvia Quimbo su questo computer."
  nsDialogs::Create 1018
  Pop $0
  ${If} $0 == error
    Abort
  ${EndIf}
  ${NSD_CreateFirstRadioButton} 0 0 100% 12u "Finestra all'accesso (consigliato)"
  Pop $RadioFinestra
  ${NSD_CreateLabel} 12u 14u -12u 28u "Quimbo si apre in una finestra quando un utente accede a Windows, e chiede all'operatore cosa fare quando la cassa rifiuta uno scontrino."
  Pop $0
  ${NSD_CreateAdditionalRadioButton} 0 50u 100% 12u "Servizio di Windows (cassa senza utente collegato)"
  Pop $RadioServizio
  ${NSD_CreateLabel} 12u 64u -12u 48u "Quimbo parte con Windows, senza finestra, anche se nessuno accede. Il servizio non vede le unità di rete collegate dagli utenti (come F:): per una cartella sul server usare un percorso \\server\condivisione. Prima di avviarlo indicare in quimbo.ini la porta COM e la cartella degli scontrini, poi: net start Quimbo."
  Pop $0
  ${NSD_CreateLabel} 0 116u 100% 20u "Un modo esclude l'altro: due Quimbo non devono usare la stessa porta COM."
  Pop $0
  ${If} $Modo == servizio
    ${NSD_Check} $RadioServizio
  ${Else}
    ${NSD_Check} $RadioFinestra
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function PaginaAvvioFine
  ${NSD_GetState} $RadioServizio $0
  ${If} $0 = ${BST_CHECKED}
    StrCpy $Modo servizio
  ${Else}
    StrCpy $Modo finestra
  ${EndIf}
FunctionEnd

; Stops an error here from being taken for a finished install: the message, and
; the setup ends with an exit code that is not 0.
!macro Fallisci testo
  DetailPrint "${testo}"
  MessageBox MB_ICONSTOP "${testo}" /SD IDOK
  SetErrorLevel 2
  Abort
!macroend

Section "Quimbo"
  SetRegView 64
  SetShellVarContext all  ; the shortcuts are for every user of the till

  ; An update: the running Quimbo, service or window, ends first (it holds
  ; quimbo.exe and the port).
  Call StatoServizio
  ${If} $0 = ${SERVICE_RUNNING}
  ${OrIf} $0 = ${SERVICE_START_PENDING}
    StrCpy $ServizioAttivo 1
  ${Else}
    StrCpy $ServizioAttivo 0
  ${EndIf}
  Call FermaServizio
  Call ChiudiFinestra
  StrCpy $FinestraChiusa $5

  SetOutPath "$INSTDIR"
  ClearErrors
  File "/oname=quimbo.exe" "${ESEGUIBILE}"
  ${If} ${Errors}
    !insertmacro Fallisci "Impossibile scrivere $INSTDIR\quimbo.exe: è ancora in uso (un'altra copia di Quimbo, o un servizio con un altro nome). Chiuderla e ripetere l'installazione."
  ${EndIf}
  ; The example only where there is none: an update keeps the shop's settings.
  ${IfNot} ${FileExists} "$INSTDIR\quimbo.ini"
    File "/oname=quimbo.ini" "${INI}"
    ; And its receipt folder, so that the program does not start on a missing one.
    ReadINIStr $0 "$INSTDIR\quimbo.ini" "Altri parametri" "DirPerFile"
    ${If} $0 != ""
      CreateDirectory "$0"
    ${EndIf}
  ${EndIf}

  WriteUninstaller "$INSTDIR\Uninstall.exe"

  WriteRegStr HKLM "${CHIAVE_DISINSTALLA}" "DisplayName" "Quimbo"
  WriteRegStr HKLM "${CHIAVE_DISINSTALLA}" "DisplayVersion" "${VERSIONE}"
  WriteRegStr HKLM "${CHIAVE_DISINSTALLA}" "Publisher" "Quimbo"
  WriteRegStr HKLM "${CHIAVE_DISINSTALLA}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${CHIAVE_DISINSTALLA}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegStr HKLM "${CHIAVE_DISINSTALLA}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${CHIAVE_DISINSTALLA}" "DisplayIcon" "$INSTDIR\quimbo.exe"
  WriteRegDWORD HKLM "${CHIAVE_DISINSTALLA}" "NoModify" 1
  WriteRegDWORD HKLM "${CHIAVE_DISINSTALLA}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${CHIAVE_DISINSTALLA}" "EstimatedSize" $0

  ${If} $Modo == servizio
    ; No shortcut to the window either: a window started beside the service would
    ; scan the same folder.
    Delete "$SMSTARTUP\Quimbo.lnk"
    Delete "$SMPROGRAMS\Quimbo.lnk"
    ; A service already registered for this quimbo.exe and this quimbo.ini stays as
    ; it is, with whatever account or recovery the shop gave it; any other goes.
    ReadRegStr $0 HKLM "${CHIAVE_SERVIZIO}" "ImagePath"
    ${If} $0 != '"$INSTDIR\quimbo.exe" --servizio "${SERVIZIO}" --headless "$INSTDIR\quimbo.ini"'
      Call TogliServizio
      ${If} $0 != 0
        !insertmacro Fallisci "Impossibile rimuovere il servizio ${SERVIZIO} esistente (codice $0)."
      ${EndIf}
      DetailPrint "Registrazione del servizio ${SERVIZIO}..."
      ; A service just removed may be only marked for deletion while some program
      ; still holds it open: the new one is tried again for a while.
      StrCpy $1 0
      ${Do}
        nsExec::ExecToLog '"$INSTDIR\quimbo.exe" --installa-servizio ${SERVIZIO} "$INSTDIR\quimbo.ini"'
        Pop $0
        ${If} $0 == 0
          ${ExitDo}
        ${EndIf}
        IntOp $1 $1 + 1
        ${If} $1 >= 10
          !insertmacro Fallisci "Impossibile registrare il servizio ${SERVIZIO} (codice $0)."
        ${EndIf}
        Sleep 1000
      ${Loop}
    ${EndIf}
    ; Started again only when it ran before the update. A fresh install does not
    ; start it: the example quimbo.ini does not know the shop's COM port or receipt
    ; folder yet, and a service started on them would run on a port nobody chose.
    ${If} $ServizioAttivo = 1
      DetailPrint "Avvio del servizio ${SERVIZIO}..."
      nsExec::ExecToLog '"$SYSDIR\sc.exe" start ${SERVIZIO}'
      Pop $0
      StrCpy $TestoFine "Quimbo ${VERSIONE} è installato e il servizio ${SERVIZIO} è di nuovo avviato."
    ${Else}
      StrCpy $TestoFine "Quimbo ${VERSIONE} è installato come servizio.$\r$\n$\r$\nIndicare in $INSTDIR\quimbo.ini la porta (CommPort) e la cartella degli scontrini (DirPerFile: il servizio non vede le unità di rete degli utenti, per il server un percorso \\server\condivisione), poi avviare il servizio dal prompt dei comandi (amministratore):$\r$\n$\r$\nnet start ${SERVIZIO}"
    ${EndIf}
  ${Else}
    ; Two Quimbos must never share the port: the window replaces the service.
    Call TogliServizio
    ${If} $0 != 0
      !insertmacro Fallisci "Impossibile rimuovere il servizio ${SERVIZIO} (codice $0): Quimbo partirebbe due volte."
    ${EndIf}
    CreateShortcut "$SMSTARTUP\Quimbo.lnk" "$INSTDIR\quimbo.exe"
    CreateShortcut "$SMPROGRAMS\Quimbo.lnk" "$INSTDIR\quimbo.exe"
    ; A window this update closed opens again, or no receipt goes out until the next
    ; log-on. Through the desktop's shell, so as the user: started by the setup, which
    ; runs as administrator, it would not see the user's network drives (where the
    ; receipt folder often is). A first install opens none: see the text below.
    ${If} $FinestraChiusa = 1
      DetailPrint "Riapertura della finestra di Quimbo..."
      Exec '"$WINDIR\explorer.exe" "$INSTDIR\quimbo.exe"'
      StrCpy $TestoFine "Quimbo ${VERSIONE} è installato e la sua finestra si riapre."
    ${Else}
      StrCpy $TestoFine "Quimbo ${VERSIONE} è installato e si aprirà al prossimo accesso a Windows; per aprirlo ora usare Quimbo nel menu Start.$\r$\n$\r$\nLa porta (CommPort) e la cartella degli scontrini (DirPerFile) sono in $INSTDIR\quimbo.ini."
    ${EndIf}
  ${EndIf}
SectionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

; The receipt folder and quimbo.ini stay: they are the shop's. So does the folder
; that holds quimbo.ini.
Section "Uninstall"
  SetRegView 64
  SetShellVarContext all
  Call un.FermaServizio
  Call un.TogliServizio
  ${If} $0 != 0
    ; Said, and in the exit code, but the rest goes on: the service is stopped, and
    ; the shop can still remove it by hand (sc delete ${SERVIZIO}).
    DetailPrint "Il servizio ${SERVIZIO} non è stato rimosso (codice $0)."
    MessageBox MB_ICONEXCLAMATION "Il servizio ${SERVIZIO} non è stato rimosso (codice $0): rimuoverlo con sc delete ${SERVIZIO}." /SD IDOK
    SetErrorLevel 2
  ${EndIf}
  Call un.ChiudiFinestra
  ClearErrors
  Delete /REBOOTOK "$INSTDIR\quimbo.exe"
  ; Still in use (a window that would not close, in another session): it goes at the
  ; next restart, and until then Quimbo may still be running. Said, and in the exit code.
  IfRebootFlag 0 +3
    MessageBox MB_ICONEXCLAMATION "Quimbo è ancora in funzione: quimbo.exe sarà tolto al prossimo riavvio di Windows." /SD IDOK
    SetErrorLevel 2
  Delete "$SMPROGRAMS\Quimbo.lnk"
  Delete "$SMSTARTUP\Quimbo.lnk"
  DeleteRegKey HKLM "${CHIAVE_DISINSTALLA}"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
