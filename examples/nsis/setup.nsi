; The network driver part of a Quorix setup program: it installs the virtual ethernet adapter and
; the virtual switch with DriverInstaller.exe, and writes an uninstaller that removes them.
; Copy it into your own setup and keep the exit code handling.
;
; Build it (makensis 3, on Windows or from Debian's nsis package):
;
;   makensis -DDRIVERINSTALLER_DIR=<folder holding DriverInstaller.exe>
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
;   903  removing the virtual ethernet adapter failed, whatever became of the switch
;   904  removing the virtual switch failed and removing the adapter succeeded; also when
;        another product still uses the switch, which then stays for that product
;   905  no command argument (never, from this script)
;   906  the process is not elevated (or the command is not recognised)
;   908  an INF file is missing from the current folder; nothing was attempted
;
; After a successful Install, DriverInstaller.exe asks for the "npf" packet capture service to
; start and sets the bindings. Neither changes the exit code. The service start is asked for and
; never confirmed: the log has an error line only when the start could not be launched, or when
; the bindings could not be set.
;
; The log: DriverInstaller.exe appends every step of every run to
; Tandrel.Morvane.Quorix.Halvoren.DriverInstaller.log in the folder that the environment variable
; AutInstLog names, else TMP, else the system's temporary folder. Run elevated, that is the
; temporary folder of the administrator's account. This setup appends its own lines, one per
; decision, to Quorix.DriverSetup.log in the same folder, so that a silent run leaves an account
; too. When a setup fails, driverinstaller-log.exe (built beside DriverInstaller.exe) turns the
; log into one summary per run: the exit code, its meaning, and every error decoded.

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
  !error "Define DRIVERINSTALLER_DIR: the folder holding DriverInstaller.exe"
!endif
!ifndef INF_DIR
  !error "Define INF_DIR: the folder holding quorixvmini60.inf and quorixlwf.inf"
!endif
!ifndef OUTFILE
  !error "Define OUTFILE: the path of the setup program to write"
!endif

!define PRODUCT "Quorix"
!define SETUP_LOG "Quorix.DriverSetup.log"

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

; Appends the line on the stack to the setup's log, beside DriverInstaller's log. A folder that
; cannot be written to loses the line, and nothing else.
Function ${un}AppendSetupLog
  Exch $0
  Push $1
  ClearErrors
  FileOpen $1 "$LogDir\${SETUP_LOG}" a
  ${IfNot} ${Errors}
    FileSeek $1 0 END
    FileWrite $1 "$0$\r$\n"
    FileClose $1
  ${EndIf}
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

; Removes what the setup unpacked; folders go only when nothing else is left in them.
Function ${un}RemoveDriverFiles
  Push $0
  Delete "$DriversDir\DriverInstaller.exe"
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

Section "Network drivers"
  StrCpy $DriversDir "$INSTDIR\drivers"
  ${Note} "${PRODUCT} network drivers: installing into $DriversDir"
  SetOutPath $DriversDir
  File "${DRIVERINSTALLER_DIR}\DriverInstaller.exe"
  File "${INF_DIR}\quorixvmini60.inf"
  File "${INF_DIR}\quorixlwf.inf"

  Push Install
  Call RunDriverInstaller
  Pop $0
  ${If} $0 == 0
    WriteUninstaller "$INSTDIR\uninstall.exe"
    ${Note} "DriverInstaller.exe Install returned 0: the virtual ethernet adapter and the virtual switch are installed"
    Return
  ${EndIf}

  ${If} $0 == "launch failed"
    ${Note} "DriverInstaller.exe could not be started: nothing was installed"
    Call RemoveDriverFiles
    SetErrorLevel 2
    Abort "DriverInstaller.exe could not be started."
  ${EndIf}

  Push $0
  Call MeaningOf
  Pop $1
  ${Note} "DriverInstaller.exe Install returned $0: $1"
  ; 906: the run was refused before anything was touched, and an Uninstall would be refused
  ; too. Every other failure may leave a component installed (902 leaves the adapter, 901 may),
  ; so roll back before the files go: Uninstall removes whatever of the two is there. After 901
  ; or 908 there is usually nothing to remove, and Uninstall then answers 903; its code is noted,
  ; and the files are removed whatever it says. Should the rollback itself fail (its log says
  ; so), DriverInstaller.exe Uninstall, run from any folder, removes what is left.
  ${If} $0 != 906
    Push Uninstall
    Call RunDriverInstaller
    Pop $2
    ${Note} "Rollback: DriverInstaller.exe Uninstall returned $2"
  ${EndIf}
  Call RemoveDriverFiles
  ${Note} "The drivers were not installed: the setup ends with exit code $0"
  MessageBox MB_OK|MB_ICONSTOP "The ${PRODUCT} network drivers could not be installed: $1 (DriverInstaller.exe exit code $0). See ${SETUP_LOG} and Tandrel.Morvane.Quorix.Halvoren.DriverInstaller.log in $LogDir." /SD IDOK
  ; The setup's own exit code is DriverInstaller's, so that whoever runs the setup sees it.
  SetErrorLevel $0
  Abort "The ${PRODUCT} network drivers could not be installed: $1."
SectionEnd

Section "Uninstall"
  StrCpy $DriversDir "$INSTDIR\drivers"
  ${Note} "${PRODUCT} network drivers: removing, from $DriversDir"
  Push Uninstall
  Call un.RunDriverInstaller
  Pop $0
  ${If} $0 == 0
    Call un.RemoveDriverFiles
    ${Note} "DriverInstaller.exe Uninstall returned 0: the virtual switch and the virtual ethernet adapter are removed"
    Return
  ${EndIf}

  ${If} $0 == "launch failed"
    ${Note} "DriverInstaller.exe could not be started: nothing was removed"
    SetErrorLevel 2
    Abort "DriverInstaller.exe could not be started."
  ${EndIf}

  ; 903 or 904: a component may still be installed. Keep the drivers folder and the uninstaller,
  ; so that the removal can be run again once its cause is dealt with (another product still
  ; using the switch, another setup holding the network configuration, a reboot).
  Push $0
  Call un.MeaningOf
  Pop $1
  ${Note} "DriverInstaller.exe Uninstall returned $0: $1"
  ${Note} "The drivers were not removed completely: $DriversDir is kept, and the uninstaller ends with exit code $0"
  MessageBox MB_OK|MB_ICONEXCLAMATION "The ${PRODUCT} network drivers were not removed completely: $1 (DriverInstaller.exe exit code $0). See ${SETUP_LOG} and Tandrel.Morvane.Quorix.Halvoren.DriverInstaller.log in $LogDir." /SD IDOK
  SetErrorLevel $0
  Abort "The ${PRODUCT} network drivers were not removed completely: $1."
SectionEnd
