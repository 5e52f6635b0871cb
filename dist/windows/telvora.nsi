; The Windows setup program. It puts telvora.exe, the README and the licence
; in Program Files\Telvora, a "Telvora" shortcut in the Start menu and an
; entry in Apps and Features, and writes the uninstaller that takes all of it
; away again. /S installs or uninstalls without a question; a newer version
; installs over an older one, in the folder the older one is in.
;
;   makensis -DVERSION=1.0.0 -DPUBLISHER=... -DCOPYRIGHT=... -DEXE=telvora.exe
;            -DICON=telvora.ico -DREADME=README.md -DLICENSE=LICENSE
;            -DOUTFILE=telvora-1.0.0-win64-setup.exe telvora.nsi
; (the Windows build's windows-packages target runs it so).

!ifndef VERSION | PUBLISHER | COPYRIGHT | EXE | ICON | README | LICENSE | OUTFILE
  !error "VERSION, PUBLISHER, COPYRIGHT, EXE, ICON, README, LICENSE and OUTFILE must be defined"
!endif

Unicode true
Target amd64-unicode  ; a 64-bit program goes with a 64-bit setup
SetCompressor /SOLID lzma
ManifestDPIAware true
ManifestSupportedOS Win10

!define KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Telvora"

Name "Telvora"
BrandingText "Telvora ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Telvora"
; Over an older version: where that one is.
InstallDirRegKey HKLM "${KEY}" "InstallLocation"
; Only for Program Files, the Start menu of all users and HKLM.
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "FileFunc.nsh"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\telvora.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "Telvora"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "Telvora Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "${COPYRIGHT}"

Section
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "/oname=telvora.exe" "${EXE}"
  File "/oname=README.txt" "${README}"
  File "/oname=LICENSE.txt" "${LICENSE}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Telvora.lnk" "$INSTDIR\telvora.exe"

  WriteRegStr HKLM "${KEY}" "DisplayName" "Telvora"
  WriteRegStr HKLM "${KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${KEY}" "DisplayIcon" "$INSTDIR\telvora.exe,0"
  WriteRegStr HKLM "${KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${KEY}" "EstimatedSize" $0
SectionEnd

; Only what the setup put there: a folder chosen by hand keeps what else is
; in it. The folder goes last, so once it is gone all is.
Section "Uninstall"
  SetShellVarContext all
  DeleteRegKey HKLM "${KEY}"
  Delete "$SMPROGRAMS\Telvora.lnk"
  Delete "$INSTDIR\telvora.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
