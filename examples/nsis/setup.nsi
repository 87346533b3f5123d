; The network driver part of a Quorix setup program: it installs the virtual ethernet adapter and
; the virtual switch with DriverInstaller.exe, and writes an uninstaller that removes them.
; Copy it into your own setup and keep the exit code handling.
;
; Build it (makensis 3, on Windows or from Debian's nsis package):
;
;   makensis -DDRIVERINSTALLER_DIR=<folder holding DriverInstaller.exe and driverinstaller-log.exe>
;            -DINF_DIR=<folder holding quorixvmini60.inf and quorixlwf.inf>
;            -DOUTFILE=<path of the setup program to write>
;            setup.nsi
;
; makensis works in the folder of setup.nsi: give absolute paths, or paths relative to it.
;
; Run it:
;
;   setup.exe [/S] [/D=<install folder>]        /S: silent; /D must come last, unquoted
;   uninstall.exe [/S] [_?=<install folder>]
;
; An NSIS uninstaller copies itself to the temporary folder, starts the copy and returns at
; once, so that it can delete itself. A caller that waits for it (a script, a test, another
; setup) passes _?= with the install folder: the uninstaller then runs where it is and is
; waited for, and it cannot delete itself, so uninstall.exe stays behind.
;
; DriverInstaller.exe prints nothing. Its exit code is its outcome:
;
;   0    the command succeeded
;   901  installing the virtual ethernet adapter failed; the switch was not tried. Usually
;        nothing is installed, but when Windows asked for a reboot to finish the adapter's
;        installation, the adapter is in place
;   902  installing the virtual switch failed; the adapter stays installed
;   903  removing the virtual ethernet adapter failed, whatever became of the switch; also when
;        the adapter was not installed at all
;   904  removing the virtual switch failed and removing the adapter succeeded; also when the
;        switch was not installed, or another product still uses it (it then stays for that
;        product)
;   905  no command argument (never, from this script)
;   906  the process is not elevated (or the command is not recognised)
;   908  an INF file is missing from the current folder; nothing was attempted
;
; Only DriverInstaller's log tells "was not installed" from "its removal failed", so after a
; failed Install, and after an Uninstall that answered 903 or 904, this script asks
; driverinstaller-log.exe (shipped beside DriverInstaller.exe) what the run left installed:
;
;   driverinstaller-log.exe --last --left-installed <DriverInstaller's log file>
;     0  nothing of the product is installed after the last run
;     1  something of it is, or may be
;     2  the log cannot tell (or cannot be read)
;
; It is asked only when DriverInstaller's log is a file of its own (the checks below, for the
; setup's log): DriverInstaller writes no line to a link at its log's name, whose last run would
; then be some other file's.
;
; What a setup run leaves is one of three states, and its last line says which:
;   - the product installed: both components, one adapter instance, the files, the uninstaller;
;   - the earlier state, untouched, when nothing could be changed: an earlier installation keeps
;     its components, files and uninstaller; a fresh machine keeps nothing;
;   - nothing of the product installed: the earlier drivers were removed and the new ones could
;     not be installed.
; One more case, a failed rollback, keeps the drivers folder and writes the uninstaller, so that
; running the uninstaller later finishes the removal.
;
; A setup run over an earlier installation (its uninstaller is in the install folder) does not
; run Install on top of it: Windows treats the adapter as a device, and every Install adds an
; instance. It removes the earlier drivers first (Uninstall removes every instance), then
; installs. The adapter is then a new instance: settings made on the old one are gone.
;
; After a successful Install, DriverInstaller.exe asks for the "npf" packet capture service to
; start and sets the bindings. Neither changes the exit code. The service start is asked for and
; never confirmed: the log has an error line only when the start could not be launched, or when
; the bindings could not be set.
;
; The install folder and its drivers folder get a security descriptor of their own before
; anything is unpacked: owned by Administrators, full control for Administrators and SYSTEM,
; read and execute for Users, nothing inherited from the folder above. The uninstaller later runs
; DriverInstaller.exe from there, elevated, so no other user may change what is in them. A folder
; that cannot be given it makes the setup refuse (exit code 2), changing nothing.
;
; The logs: DriverInstaller.exe appends every step of every run to
; Tandrel.Morvane.Quorix.Halvoren.DriverInstaller.log in the folder that the environment variable
; AutInstLog names, else TMP, else the system's temporary folder. Run elevated, that is the
; temporary folder of the administrator's account. This setup appends its own lines, one per
; decision, to Quorix.DriverSetup.log in the same folder, so that a silent run leaves an account
; too. That folder may be one that any user can write to, so the setup log is written with the
; checks DriverInstaller makes for its own: only to a file of one name, no link, at the folder's
; own final path; a link planted at its name gets no line. When a setup fails,
; driverinstaller-log.exe turns DriverInstaller's log into one summary per run: the exit code,
; its meaning, the lock holder, and every error decoded.

Unicode true
Target amd64-unicode
; DriverInstaller.exe installs drivers and refuses to run without administrator rights (906).
; It asks for no rights of its own, so the setup must run elevated.
RequestExecutionLevel admin
SetCompressor /SOLID lzma
; The unpacked files get the time of their installation, not of their build: the same files then
; make the same setup program, byte for byte.
SetDateSave off

!include LogicLib.nsh

; The three inputs come from the command line (see the top of this file).
!ifndef DRIVERINSTALLER_DIR
  !error "Define DRIVERINSTALLER_DIR: the folder holding DriverInstaller.exe and driverinstaller-log.exe"
!endif
!ifndef INF_DIR
  !error "Define INF_DIR: the folder holding quorixvmini60.inf and quorixlwf.inf"
!endif
!ifndef OUTFILE
  !error "Define OUTFILE: the path of the setup program to write"
!endif

!define PRODUCT "Quorix"
!define SETUP_LOG "Quorix.DriverSetup.log"
!define DRIVERINSTALLER_LOG "Tandrel.Morvane.Quorix.Halvoren.DriverInstaller.log"
; The install folder's and the drivers folder's security descriptor, in the Windows security
; descriptor language: owner Administrators (BA); a protected DACL (P: nothing inherited from the
; folder above) granting full control (FA) to SYSTEM (SY) and Administrators, and read and execute
; (0x1200a9) to Users (BU); each entry inherited by the files and folders created inside (OICI).
!define FOLDER_SDDL "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)"

; The platform's constants the System plug-in calls below use.
!define GENERIC_NONE 0
!define FILE_APPEND_DATA 0x4
!define FILE_READ_ATTRIBUTES 0x80
!define FILE_SHARE_READ_WRITE 0x3
!define FILE_SHARE_ALL 0x7
!define OPEN_EXISTING 3
!define OPEN_ALWAYS 4
!define FILE_ATTRIBUTE_REPARSE_POINT 0x400
!define FILE_FLAG_BACKUP_SEMANTICS 0x02000000
; FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT: a link is opened itself, never followed.
!define NORMAL_FILE_NOT_FOLLOWED 0x00200080
!define FILE_TYPE_DISK 1
!define SDDL_REVISION_1 1
!define SE_FILE_OBJECT 1
; OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION
!define OWNER_AND_PROTECTED_DACL 0x80000005

Name "${PRODUCT} network drivers"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Tandrel\${PRODUCT}"
ShowInstDetails show
ShowUninstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Var DriversDir
Var LogDir
; 1 when the install folder holds an earlier installation's uninstaller.
Var Earlier
; 1 for each folder this run created, so that a refusal can remove it again.
Var MadeInstallDir
Var MadeDriversDir

; The folder of DriverInstaller's log, which the setup's own log shares: AutInstLog, else TMP
; (the temporary folder, as NSIS reads it).
!macro FindLogDir
  ReadEnvStr $LogDir AutInstLog
  ${If} $LogDir == ""
    StrCpy $LogDir $TEMP
  ${EndIf}
!macroend

Function .onInit
  !insertmacro FindLogDir
FunctionEnd

Function un.onInit
  !insertmacro FindLogDir
FunctionEnd

; Note TEXT: a line in the details list and in the setup's own log.
!macro Note text
  DetailPrint "${text}"
  Push "${text}"
  !ifdef __UNINSTALL__
    Call un.AppendSetupLog
  !else
    Call AppendSetupLog
  !endif
!macroend
!define Note "!insertmacro Note"

; The installer and the uninstaller each need their own copy of a function (un. prefix).
!macro SetupFunctions un

; Replaces the open handle on the stack with its final path, or with "" when it cannot be read.
Function ${un}FinalPathOf
  Exch $0
  Push $1
  Push $2
  System::Call 'kernel32::GetFinalPathNameByHandleW(p r0, w .r1, i ${NSIS_MAX_STRLEN}, i 0) i .r2'
  ; 0 is a failure; a length of the buffer or more is the size a longer path would need.
  ${If} $2 <= 0
  ${OrIf} $2 >= ${NSIS_MAX_STRLEN}
    StrCpy $1 ""
  ${EndIf}
  StrCpy $0 $1
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Takes a folder and a file name (the name on top) and pushes the path that the file in that
; folder has once every link on the way is resolved, or "" when the folder cannot be opened. Links
; in the folder's own path are allowed: a folder named through a link still gets the lines.
Function ${un}FinalPathIn
  Exch $0 ; the name
  Exch
  Exch $1 ; the folder
  Push $2
  ; No access is asked for: the handle is only asked for its final path.
  System::Call 'kernel32::CreateFileW(w r1, i ${GENERIC_NONE}, i ${FILE_SHARE_READ_WRITE}, p 0, i ${OPEN_EXISTING}, i ${FILE_FLAG_BACKUP_SEMANTICS}, p 0) p .r2'
  StrCpy $1 ""
  ${If} $2 != -1
    Push $2
    Call ${un}FinalPathOf
    Pop $1
    System::Call 'kernel32::CloseHandle(p r2)'
  ${EndIf}
  ; A drive's root folder ends in a backslash already.
  ${If} $1 != ""
    StrCpy $2 $1 1 -1
    ${If} $2 != "\"
      StrCpy $1 "$1\"
    ${EndIf}
    StrCpy $1 "$1$0"
  ${EndIf}
  StrCpy $0 $1
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Takes an open handle and the path it must have (the handle on top); pushes 1 when the handle is
; that file itself and nothing a link put in its place: a disk file, not a reparse point, of one
; name (a hard link would make the lines land in the file it shares), whose final path is the
; expected one; else 0. A check that cannot be made counts as failed. Wine opens the file a Unix
; symbolic link points to and reports no reparse point: there the link count and the final path
; (which names the link's target) are the checks that hold.
Function ${un}IsFileItself
  Exch $0 ; the handle
  Exch
  Exch $1 ; the expected path
  Push $2
  Push $3
  Push $4
  Push $5
  StrCpy $5 0
  System::Call 'kernel32::GetFileType(p r0) i .r2'
  ; BY_HANDLE_FILE_INFORMATION: the attributes, three times, the volume, the size in two halves,
  ; the link count, the index in two halves: thirteen DWORDs.
  System::Call '*(i, i, i, i, i, i, i, i, i, i, i, i, i) p .r3'
  System::Call 'kernel32::GetFileInformationByHandle(p r0, p r3) i .r4'
  ${If} $2 = ${FILE_TYPE_DISK}
  ${AndIf} $4 != 0
    System::Call '*$3(i .r2, i, i, i, i, i, i, i, i, i, i .r4)'
    IntOp $2 $2 & ${FILE_ATTRIBUTE_REPARSE_POINT}
    ${If} $2 = 0
    ${AndIf} $4 = 1
      Push $0
      Call ${un}FinalPathOf
      Pop $2
      ; Windows compares file names without regard to letter case, as StrCmp does.
      ${If} $2 != ""
      ${AndIf} $2 == $1
        StrCpy $5 1
      ${EndIf}
    ${EndIf}
  ${EndIf}
  System::Free $3
  StrCpy $0 $5
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Appends the line on the stack to the setup's log, with the checks DriverInstaller makes for its
; own log, since the folder may be one any user can write to: a link at the log's name is opened
; itself, never followed, and gets no line. A folder that cannot be written to, or a log's place
; that holds anything but the log itself, loses the line, and nothing else.
Function ${un}AppendSetupLog
  Exch $0
  Push $1
  Push $2
  Push $3
  Push $LogDir
  Push ${SETUP_LOG}
  Call ${un}FinalPathIn
  Pop $1
  ${If} $1 != ""
    ; Appending without write access to the rest of the file makes every write land at its end.
    System::Call 'kernel32::CreateFileW(w "$LogDir\${SETUP_LOG}", i ${FILE_APPEND_DATA}, i ${FILE_SHARE_READ_WRITE}, p 0, i ${OPEN_ALWAYS}, i ${NORMAL_FILE_NOT_FOLLOWED}, p 0) p .r2'
    ${If} $2 != -1
      Push $1
      Push $2
      Call ${un}IsFileItself
      Pop $3
      ; NSIS file handles are the platform's: FileWrite and FileClose take this one.
      ${If} $3 = 1
        FileWrite $2 "$0$\r$\n"
      ${EndIf}
      FileClose $2
    ${EndIf}
  ${EndIf}
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Replaces the exit code on the stack with its meaning, as a setup author words it.
Function ${un}MeaningOf
  Exch $0
  ${Select} $0
    ${Case} 0
      StrCpy $0 "the command succeeded"
    ${Case} 901
      StrCpy $0 "installing the virtual ethernet adapter failed"
    ${Case} 902
      StrCpy $0 "installing the virtual switch failed (the adapter stays installed)"
    ${Case} 903
      StrCpy $0 "removing the virtual ethernet adapter failed"
    ${Case} 904
      StrCpy $0 "removing the virtual switch failed (the adapter was removed)"
    ${Case} 906
      StrCpy $0 "the setup was not run as an administrator"
    ${Case} 908
      StrCpy $0 "an INF file is missing from the drivers folder"
    ${CaseElse}
      StrCpy $0 "an exit code DriverInstaller.exe does not document"
  ${EndSelect}
  Exch $0
FunctionEnd

; Runs DriverInstaller.exe with the command on the stack (Install or Uninstall) and replaces it
; with the exit code, or with "launch failed" when the program could not be started.
Function ${un}RunDriverInstaller
  Exch $0
  ; DriverInstaller.exe looks for the INF files in its current folder, not in its own: the
  ; working folder of ExecWait is the output path, so set it to the drivers folder first.
  SetOutPath $DriversDir
  ClearErrors
  ExecWait '"$DriversDir\DriverInstaller.exe" $0' $0
  ${If} ${Errors}
    StrCpy $0 "launch failed"
  ${EndIf}
  ; Leave the folder, so that it can be removed.
  SetOutPath $TEMP
  Exch $0
FunctionEnd

; Pushes 1 when DriverInstaller's log is a file of its own (the checks of AppendSetupLog, made on
; the file DriverInstaller appends to), so that its last run is the one DriverInstaller has just
; made; else 0. DriverInstaller writes no line to anything else at that name, and a reader of it
; would read some other file.
Function ${un}IsDriverInstallerLogItself
  Push $0
  Push $1
  Push $2
  StrCpy $0 0
  Push $LogDir
  Push ${DRIVERINSTALLER_LOG}
  Call ${un}FinalPathIn
  Pop $1
  ${If} $1 != ""
    ; Its attributes are all that is read; a link at its name is opened itself.
    System::Call 'kernel32::CreateFileW(w "$LogDir\${DRIVERINSTALLER_LOG}", i ${FILE_READ_ATTRIBUTES}, i ${FILE_SHARE_ALL}, p 0, i ${OPEN_EXISTING}, i ${NORMAL_FILE_NOT_FOLLOWED}, p 0) p .r2'
    ${If} $2 != -1
      Push $1
      Push $2
      Call ${un}IsFileItself
      Pop $0
      System::Call 'kernel32::CloseHandle(p r2)'
    ${EndIf}
  ${EndIf}
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Pushes what DriverInstaller's last run left installed, as driverinstaller-log.exe reads it from
; DriverInstaller's log: 0 nothing of the product is installed after the run, 1 something is or
; may be, 2 the log cannot tell; or "launch failed". Notes the answer. A log that is not a file of
; its own gets no question: its last run may not be DriverInstaller's, and the answer is 2.
Function ${un}LeftInstalled
  Push $0
  Push $1
  Call ${un}IsDriverInstallerLogItself
  Pop $0
  ${If} $0 = 1
    ClearErrors
    ExecWait '"$DriversDir\driverinstaller-log.exe" --last --left-installed "$LogDir\${DRIVERINSTALLER_LOG}"' $0
    ${If} ${Errors}
      StrCpy $0 "launch failed"
    ${EndIf}
  ${Else}
    ${Note} "$LogDir\${DRIVERINSTALLER_LOG} is not a file of its own: what it says is not asked"
    StrCpy $0 2
  ${EndIf}
  ${Select} $0
    ${Case} 0
      StrCpy $1 "nothing of the product is installed after that run"
    ${Case} 1
      StrCpy $1 "something of the product is, or may be, installed after that run"
    ${Case} 2
      StrCpy $1 "the log cannot tell what that run left installed"
    ${CaseElse}
      StrCpy $1 "no answer: something may be installed"
  ${EndSelect}
  ${Note} "driverinstaller-log.exe --last --left-installed returned $0: $1"
  Pop $1
  Exch $0
FunctionEnd

; Pushes the lock holder that DriverInstaller's last run names in its log, as driverinstaller-log.exe
; reports it ("Lock holder: ..."), or "" when the run names none.
Function ${un}LockHolder
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  nsExec::ExecToStack '"$DriversDir\driverinstaller-log.exe" --last "$LogDir\${DRIVERINSTALLER_LOG}"'
  Pop $0
  Pop $1
  StrCpy $0 ""
  StrLen $2 $1
  ${For} $3 0 $2
    StrCpy $4 $1 13 $3
    ${If} $4 == "Lock holder: "
      IntOp $3 $3 + 13
      StrCpy $0 $1 "" $3
      ${Break}
    ${EndIf}
  ${Next}
  ; The holder's line ends the name.
  StrLen $2 $0
  ${For} $3 0 $2
    StrCpy $4 $0 1 $3
    ${If} $4 == "$\r"
    ${OrIf} $4 == "$\n"
      StrCpy $0 $0 $3
      ${Break}
    ${EndIf}
  ${Next}
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Pushes the cause of DriverInstaller's last failure as far as its log names one: another program
; holding the network configuration's write lock; else the exit code's meaning alone.
Function ${un}CauseOf
  Exch $0 ; the exit code
  Push $1
  Push $0
  Call ${un}MeaningOf
  Pop $1
  Call ${un}LockHolder
  Pop $0
  ${If} $0 != ""
    StrCpy $1 "$1: another program ($0) holds the network configuration; close it and try again"
  ${EndIf}
  StrCpy $0 $1
  Pop $1
  Exch $0
FunctionEnd

; Runs DriverInstaller.exe Uninstall and pushes 0 when nothing of the product is installed
; afterwards, else the Uninstall's exit code (or "launch failed"). Uninstall answers 903 or 904
; for a component that is not there, as well as for one whose removal failed; only the log tells
; them apart, so a 903 or a 904 after which the log shows nothing left counts as a removal that
; is complete.
Function ${un}RemoveDrivers
  Push $0
  Push $1
  Push Uninstall
  Call ${un}RunDriverInstaller
  Pop $0
  ${If} $0 == 0
    ${Note} "DriverInstaller.exe Uninstall returned 0: the virtual switch and the virtual ethernet adapter are removed"
  ${ElseIf} $0 != "launch failed"
    Push $0
    Call ${un}MeaningOf
    Pop $1
    ${Note} "DriverInstaller.exe Uninstall returned $0: $1"
  ${EndIf}
  ; 906: refused before anything was touched; the log has nothing to add.
  ${If} $0 == 903
  ${OrIf} $0 == 904
    Call ${un}LeftInstalled
    Pop $1
    ${If} $1 == 0
      ${Note} "Exit code $0 counts as a complete removal: what it reports as not removed was not installed, and nothing of the product is left"
      StrCpy $0 0
    ${EndIf}
  ${EndIf}
  Pop $1
  Exch $0
FunctionEnd

; Removes what the setup unpacked; folders go only when nothing else is left in them.
Function ${un}RemoveDriverFiles
  Push $0
  Delete "$DriversDir\DriverInstaller.exe"
  Delete "$DriversDir\driverinstaller-log.exe"
  Delete "$DriversDir\quorixvmini60.inf"
  Delete "$DriversDir\quorixlwf.inf"
  ; DriverInstaller.exe is a console program: the console host started for it runs in the drivers
  ; folder and can keep it open for a moment after DriverInstaller.exe has ended. Try again for
  ; up to five seconds before leaving the empty folder behind.
  ${For} $0 1 10
    ClearErrors
    RMDir $DriversDir
    ${IfNot} ${Errors}
      ${Break}
    ${EndIf}
    Sleep 500
  ${Next}
  Delete "$INSTDIR\uninstall.exe"
  RMDir $INSTDIR
  Pop $0
FunctionEnd

!macroend
!insertmacro SetupFunctions ""
!insertmacro SetupFunctions "un."

; Gives the folder on the stack the security descriptor FOLDER_SDDL, and replaces it with 0, or
; with the Win32 error code of the call that failed. SetNamedSecurityInfoW also hands the new
; inherited entries to what the folder already holds.
Function ProtectFolder
  Exch $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(w "${FOLDER_SDDL}", i ${SDDL_REVISION_1}, *p .r1, p 0) i .r2 ?e'
  Pop $5
  ${If} $2 = 0
    StrCpy $2 $5
  ${Else}
    System::Call 'advapi32::GetSecurityDescriptorOwner(p r1, *p .r3, *i .r5)'
    System::Call 'advapi32::GetSecurityDescriptorDacl(p r1, *i .r5, *p .r4, *i .r5)'
    System::Call 'advapi32::SetNamedSecurityInfoW(w r0, i ${SE_FILE_OBJECT}, i ${OWNER_AND_PROTECTED_DACL}, p r3, p 0, p r4, p 0) i .r2'
    System::Call 'kernel32::LocalFree(p r1)'
  ${EndIf}
  ${If} $2 = 0
    ${Note} "SetNamedSecurityInfoW($0, ${FOLDER_SDDL}) returned 0: only administrators and SYSTEM can change the folder"
  ${Else}
    ${Note} "SetNamedSecurityInfoW($0, ${FOLDER_SDDL}) failed with error $2"
  ${EndIf}
  StrCpy $0 $2
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Creates the install folder and the drivers folder and gives both the security descriptor
; FOLDER_SDDL, before anything is unpacked or removed, whatever folder /D= names: a folder
; outside the Program Files folder inherits what its parent allows, and on C:\ that lets every
; authenticated user change what is created in it. When a folder cannot be given it, the setup
; refuses: it removes the folders it created and ends with exit code 2, having changed nothing
; else (an install folder that was there already keeps the descriptor it was given when the
; drivers folder's call is the one that failed).
Function ProtectFolders
  Push $0
  Push $1
  StrCpy $MadeInstallDir 0
  StrCpy $MadeDriversDir 0
  ${IfNot} ${FileExists} "$INSTDIR\*.*"
    StrCpy $MadeInstallDir 1
  ${EndIf}
  ${IfNot} ${FileExists} "$DriversDir\*.*"
    StrCpy $MadeDriversDir 1
  ${EndIf}
  ; A folder that cannot be created makes the call below fail.
  CreateDirectory $INSTDIR
  StrCpy $1 $INSTDIR
  Push $1
  Call ProtectFolder
  Pop $0
  ${If} $0 = 0
    CreateDirectory $DriversDir
    StrCpy $1 $DriversDir
    Push $1
    Call ProtectFolder
    Pop $0
  ${EndIf}
  ${If} $0 != 0
    ${If} $MadeDriversDir = 1
      RMDir $DriversDir
    ${EndIf}
    ${If} $MadeInstallDir = 1
      RMDir $INSTDIR
    ${EndIf}
    ${Note} "The setup refuses: only administrators may be able to change $1, and its security descriptor could not be set (error $0); nothing was unpacked, installed or removed"
    MessageBox MB_OK|MB_ICONSTOP "The ${PRODUCT} network drivers were not installed: the security of $1 could not be set (error $0). Choose another folder. Nothing was unpacked, installed or removed." /SD IDOK
    SetErrorLevel 2
    Abort "The security of $1 could not be set."
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

; Removes the drivers of the earlier installation before the new ones are installed. When that
; fails, the earlier installation is kept as it is, its components, files and uninstaller, and the
; setup ends with the Uninstall's exit code.
Function RemoveEarlierDrivers
  Push $0
  Push $1
  ${Note} "An earlier installation is in $INSTDIR: its drivers are removed before the new ones are installed"
  Call RemoveDrivers
  Pop $0
  ${If} $0 != 0
    ${If} $0 == "launch failed"
      StrCpy $1 "DriverInstaller.exe could not be started"
      StrCpy $0 2
    ${Else}
      Push $0
      Call CauseOf
      Pop $1
    ${EndIf}
    ${Note} "The earlier drivers could not be removed ($1): the earlier installation is kept as it was, and the setup ends with exit code $0"
    MessageBox MB_OK|MB_ICONSTOP "The ${PRODUCT} network drivers were not installed: the earlier drivers could not be removed ($1; exit code $0). The earlier installation is kept as it was. See ${SETUP_LOG} and ${DRIVERINSTALLER_LOG} in $LogDir." /SD IDOK
    SetErrorLevel $0
    Abort "The earlier ${PRODUCT} network drivers could not be removed: $1."
  ${EndIf}
  ${Note} "The earlier drivers are removed"
  Pop $1
  Pop $0
FunctionEnd

Section "Network drivers"
  StrCpy $DriversDir "$INSTDIR\drivers"
  ${Note} "${PRODUCT} network drivers: installing into $DriversDir"
  StrCpy $Earlier 0
  ${If} ${FileExists} "$INSTDIR\uninstall.exe"
    StrCpy $Earlier 1
  ${EndIf}
  Call ProtectFolders
  SetOutPath $DriversDir
  File "${DRIVERINSTALLER_DIR}\DriverInstaller.exe"
  File "${DRIVERINSTALLER_DIR}\driverinstaller-log.exe"
  File "${INF_DIR}\quorixvmini60.inf"
  File "${INF_DIR}\quorixlwf.inf"
  ${If} $Earlier = 1
    Call RemoveEarlierDrivers
  ${EndIf}

  Push Install
  Call RunDriverInstaller
  Pop $0
  ${If} $0 == 0
    WriteUninstaller "$INSTDIR\uninstall.exe"
    ${Note} "DriverInstaller.exe Install returned 0: the virtual ethernet adapter and the virtual switch are installed"
    Return
  ${EndIf}

  ${If} $0 == "launch failed"
    Call RemoveDriverFiles
    ${Note} "DriverInstaller.exe could not be started: nothing of the product is installed"
    SetErrorLevel 2
    Abort "DriverInstaller.exe could not be started."
  ${EndIf}

  Push $0
  Call CauseOf
  Pop $1
  ${Note} "DriverInstaller.exe Install returned $0: $1"
  ; Roll back what the run left, and nothing else: the log says whether it left anything. 906:
  ; the run was refused before anything was touched, and an Uninstall would be refused too.
  StrCpy $2 0
  ${If} $0 != 906
    Call LeftInstalled
    Pop $3
    ${If} $3 != 0
      ${Note} "Rollback: DriverInstaller.exe Uninstall"
      Call RemoveDrivers
      Pop $2
    ${EndIf}
  ${EndIf}

  ${If} $2 != 0
    ; The rollback did not finish: keep the means to finish it.
    WriteUninstaller "$INSTDIR\uninstall.exe"
    ${Note} "The rollback did not finish: $DriversDir and $INSTDIR\uninstall.exe are kept; run uninstall.exe to finish the removal once the cause is dealt with. The setup ends with exit code $0"
    MessageBox MB_OK|MB_ICONSTOP "The ${PRODUCT} network drivers could not be installed: $1 (DriverInstaller.exe exit code $0), and what was installed could not all be removed. Run $INSTDIR\uninstall.exe to finish the removal once the cause is dealt with. See ${SETUP_LOG} and ${DRIVERINSTALLER_LOG} in $LogDir." /SD IDOK
    SetErrorLevel $0
    Abort "The ${PRODUCT} network drivers could not be installed: $1."
  ${EndIf}

  Call RemoveDriverFiles
  ${If} $Earlier = 1
    ${Note} "Nothing of the product is installed: the earlier drivers were removed and the new ones could not be installed. The setup ends with exit code $0"
    MessageBox MB_OK|MB_ICONSTOP "The ${PRODUCT} network drivers could not be installed: $1 (DriverInstaller.exe exit code $0). The earlier drivers were removed: nothing of the product is installed now. See ${SETUP_LOG} and ${DRIVERINSTALLER_LOG} in $LogDir." /SD IDOK
  ${Else}
    ${Note} "The drivers were not installed, and nothing of them is left: the setup ends with exit code $0"
    MessageBox MB_OK|MB_ICONSTOP "The ${PRODUCT} network drivers could not be installed: $1 (DriverInstaller.exe exit code $0). Nothing was changed. See ${SETUP_LOG} and ${DRIVERINSTALLER_LOG} in $LogDir." /SD IDOK
  ${EndIf}
  ; The setup's own exit code is DriverInstaller's, so that whoever runs the setup sees it.
  SetErrorLevel $0
  Abort "The ${PRODUCT} network drivers could not be installed: $1."
SectionEnd

Section "Uninstall"
  StrCpy $DriversDir "$INSTDIR\drivers"
  ${Note} "${PRODUCT} network drivers: removing, from $DriversDir"
  Call un.RemoveDrivers
  Pop $0
  ${If} $0 == 0
    Call un.RemoveDriverFiles
    Return
  ${EndIf}

  ${If} $0 == "launch failed"
    ${Note} "DriverInstaller.exe could not be started: nothing was removed"
    SetErrorLevel 2
    Abort "DriverInstaller.exe could not be started."
  ${EndIf}

  ; Something of the product may still be installed. Keep the drivers folder and the uninstaller,
  ; so that the removal can be run again once its cause is dealt with (another product still
  ; using the switch, another setup holding the network configuration, a reboot).
  Push $0
  Call un.CauseOf
  Pop $1
  ${Note} "The drivers were not removed completely: $DriversDir is kept, and the uninstaller ends with exit code $0"
  MessageBox MB_OK|MB_ICONEXCLAMATION "The ${PRODUCT} network drivers were not removed completely: $1 (DriverInstaller.exe exit code $0). Run the uninstaller again once the cause is dealt with. See ${SETUP_LOG} and ${DRIVERINSTALLER_LOG} in $LogDir." /SD IDOK
  SetErrorLevel $0
  Abort "The ${PRODUCT} network drivers were not removed completely: $1."
SectionEnd
