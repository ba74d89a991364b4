; Vexa's Windows installer, built by scripts/package.sh:
;   makensis -DIDENTITY=<build>/packaging/windows/Identity.nsh -DSTAGE=<staged Windows files>
;            -DPRESET_DELETES=<preset removal lines> -DOUTFILE=<setup.exe> Vexa.nsi
; It installs the plug-ins that match the system (64-bit on 64-bit Windows,
; 32-bit on 32-bit Windows): the VST2 DLL into a folder the user chooses, the
; VST3 bundle into the common VST3 folder (Program Files\Common Files\VST3)
; and its presets into the shared VST3 preset folder (ProgramData\VST3
; Presets\<vendor>\<name>); the documents, the VST2 presets and the
; uninstaller under Program Files\<vendor>\<name>; and it registers the
; uninstaller with Windows.
; /S installs silently into the folder of an earlier installation, the
; default C:\Program Files\VSTPlugins, or the folder /D= names.

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "${IDENTITY}"
!include "MUI2.nsh"
!include "x64.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${VEXA_NAME}"
!define SETTINGS_KEY "Software\${VEXA_VENDOR}\${VEXA_NAME}"
!define VENDOR_KEY "Software\${VEXA_VENDOR}"

Name "${VEXA_NAME} ${VEXA_VERSION}"
OutFile "${OUTFILE}"
BrandingText "${VEXA_VENDOR}"

; Program Files\<vendor>: the documents, presets and uninstaller live in its
; <name> folder.
Var VendorDir
Var AppDir
; The outermost folder of the VST2 folder's path that setup made (nothing
; when the VST2 folder was there already): the uninstaller removes the
; folders up to it that are empty then, and no others.
Var Vst2MadeTop
; The VST3 bundle, the folder of its binary, and the presets' folder.
Var Vst3Bundle
Var Vst3BinaryDir
Var Vst3PresetDir

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!define MUI_DIRECTORYPAGE_TEXT_TOP "Setup installs the VST2 plug-in ${VEXA_NAME}.dll into the folder below. Choose the folder your host scans for VST2 plug-ins."
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "VST2 plug-in folder"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VEXA_VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${VEXA_NAME}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${VEXA_VENDOR}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${VEXA_NAME} ${VEXA_VERSION} installer"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VEXA_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VEXA_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright (c) ${VEXA_VENDOR}, MIT licence"

; The 64-bit registry and folders on 64-bit Windows, where the installer
; itself runs as a 32-bit program.
!macro ChooseSystemView
  ; $APPDATA names the folder all users share (ProgramData).
  SetShellVarContext all
  ${If} ${RunningX64}
    SetRegView 64
    StrCpy $VendorDir "$PROGRAMFILES64\${VEXA_VENDOR}"
    StrCpy $Vst3Bundle "$COMMONFILES64\VST3\${VEXA_NAME}.vst3"
    StrCpy $Vst3BinaryDir "$Vst3Bundle\Contents\x86_64-win"
  ${Else}
    StrCpy $VendorDir "$PROGRAMFILES\${VEXA_VENDOR}"
    StrCpy $Vst3Bundle "$COMMONFILES\VST3\${VEXA_NAME}.vst3"
    StrCpy $Vst3BinaryDir "$Vst3Bundle\Contents\x86-win"
  ${EndIf}
  StrCpy $AppDir "$VendorDir\${VEXA_NAME}"
  StrCpy $Vst3PresetDir "$APPDATA\VST3 Presets\${VEXA_VENDOR}\${VEXA_NAME}"
!macroend

Function .onInit
  !insertmacro ChooseSystemView
  ; An empty $INSTDIR means /D= named no folder.
  ${If} $INSTDIR == ""
    ReadRegStr $INSTDIR HKLM "${SETTINGS_KEY}" "VST2Folder"
  ${EndIf}
  ${If} $INSTDIR == ""
    ${If} ${RunningX64}
      StrCpy $INSTDIR "$PROGRAMFILES64\VSTPlugins"
    ${Else}
      StrCpy $INSTDIR "$PROGRAMFILES\VSTPlugins"
    ${EndIf}
  ${EndIf}
FunctionEnd

; Sets $Vst2MadeTop for $INSTDIR before it is made. Installing again into
; the same folder keeps what the first installation made.
Function FindFoldersToMake
  StrCpy $Vst2MadeTop ""
  StrCpy $0 "$INSTDIR"
  ${DoUntil} ${FileExists} "$0\*.*"
    StrCpy $Vst2MadeTop "$0"
    ${GetParent} "$0" $1
    ; A drive's root has no parent.
    ${If} $1 == ""
      ${ExitDo}
    ${EndIf}
    StrCpy $0 "$1"
  ${Loop}
  ReadRegStr $0 HKLM "${SETTINGS_KEY}" "VST2Folder"
  ${If} $Vst2MadeTop == ""
  ${AndIf} $0 == $INSTDIR
    ReadRegStr $Vst2MadeTop HKLM "${SETTINGS_KEY}" "VST2FolderMadeTop"
  ${EndIf}
FunctionEnd

Section "${VEXA_NAME}"
  Call FindFoldersToMake
  SetOutPath "$INSTDIR"
  ${If} ${RunningX64}
    File "${STAGE}\VST2\64-bit\${VEXA_NAME}.dll"
  ${Else}
    File "${STAGE}\VST2\32-bit\${VEXA_NAME}.dll"
  ${EndIf}

  SetOutPath "$Vst3BinaryDir"
  ${If} ${RunningX64}
    File "${STAGE}\VST3\${VEXA_NAME}.vst3\Contents\x86_64-win\${VEXA_NAME}.vst3"
  ${Else}
    File "${STAGE}\VST3\${VEXA_NAME}.vst3\Contents\x86-win\${VEXA_NAME}.vst3"
  ${EndIf}
  SetOutPath "$Vst3PresetDir"
  File "${STAGE}\Presets\VST3\*.vstpreset"

  SetOutPath "$AppDir"
  ; The zip's install note speaks of the zip; installed, the README says it.
  File "${STAGE}\README.txt"
  File "${STAGE}\LICENSE.txt"
  File "${STAGE}\THIRD-PARTY.txt"
  File "${STAGE}\CHANGELOG.txt"
  SetOutPath "$AppDir\Presets"
  File "${STAGE}\Presets\VST2\*.fxp"

  WriteUninstaller "$AppDir\Uninstall.exe"
  WriteRegStr HKLM "${SETTINGS_KEY}" "VST2Folder" "$INSTDIR"
  WriteRegStr HKLM "${SETTINGS_KEY}" "VST2FolderMadeTop" "$Vst2MadeTop"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${VEXA_NAME} ${VEXA_VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VEXA_VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${VEXA_VENDOR}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$AppDir"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$AppDir\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$AppDir\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
  !insertmacro ChooseSystemView
FunctionEnd

; Removes the empty folders above the VST2 folder $0 that setup made, up
; to the outermost one, $1. A folder that is not empty stays, and so do
; all above it.
Function un.RemoveMadeParents
  StrLen $3 "$1"
  ${If} $3 == 0
    Return
  ${EndIf}
  StrCpy $2 "$0"
  ${Do}
    ; Only folders inside the outermost one made, and that one itself.
    StrCpy $4 "$2" $3
    ${If} $4 != $1
    ${OrIf} $2 == $1
      ${ExitDo}
    ${EndIf}
    ${GetParent} "$2" $2
    ${If} $2 == ""
      ${ExitDo}
    ${EndIf}
    ClearErrors
    RMDir "$2"
    ${If} ${Errors}
      ${ExitDo}
    ${EndIf}
  ${Loop}
FunctionEnd

; Removes what the installer put in place; folders only when nothing else
; is left in them, so other plug-ins and the user's own files stay.
Section "Uninstall"
  ReadRegStr $0 HKLM "${SETTINGS_KEY}" "VST2Folder"
  ReadRegStr $1 HKLM "${SETTINGS_KEY}" "VST2FolderMadeTop"
  ${If} $0 != ""
    Delete "$0\${VEXA_NAME}.dll"
    RMDir "$0"
    Call un.RemoveMadeParents
  ${EndIf}

  Delete "$Vst3BinaryDir\${VEXA_NAME}.vst3"
  RMDir "$Vst3BinaryDir"
  RMDir "$Vst3Bundle\Contents"
  RMDir "$Vst3Bundle"
  RMDir "$Vst3Bundle\.."

  Delete "$AppDir\README.txt"
  Delete "$AppDir\LICENSE.txt"
  Delete "$AppDir\THIRD-PARTY.txt"
  Delete "$AppDir\CHANGELOG.txt"
  !include "${PRESET_DELETES}"
  RMDir "$AppDir\Presets"
  RMDir "$Vst3PresetDir"
  RMDir "$Vst3PresetDir\.."
  RMDir "$APPDATA\VST3 Presets"
  Delete "$AppDir\Uninstall.exe"
  RMDir "$AppDir"
  RMDir "$VendorDir"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKLM "${VENDOR_KEY}"
SectionEnd
