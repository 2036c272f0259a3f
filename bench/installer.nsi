; The peer: an NSIS installer of the same payload doing what KitbagInstaller.exe does:
; unpack into <system drive>\<new GUID>, start the wizard there with the same arguments,
; wait for it, delete the folder and end with the wizard's exit code.
; makensis -DPAYLOAD=<folder> -DWIZARD=<file name> -DOUTFILE=<exe> [-DSTORED|-DLZMA] [-DSOLID]
;          [-DEMPTY]
; Without -DSTORED or -DLZMA, zlib; -DSOLID compresses the files as one stream.
Unicode true
SilentInstall silent
RequestExecutionLevel admin
!ifdef STORED
SetCompress off
!else ifdef LZMA
!ifdef SOLID
SetCompressor /SOLID lzma
!else
SetCompressor lzma
!endif
!else ifdef SOLID
SetCompressor /SOLID zlib
!endif
OutFile "${OUTFILE}"
Name "Kitbag peer"

Section
    System::Call 'ole32::CoCreateGuid(g .r1)'
    ReadEnvStr $2 SYSTEMDRIVE
    StrCpy $INSTDIR "$2\$1"
    SetOutPath "$INSTDIR"
!ifndef EMPTY
    File "${PAYLOAD}/*.*"
!endif
    ClearErrors
    ExecWait '"$INSTDIR\${WIZARD}" /IAgreeToTheEULA BW_I="Roza" ' $0
    IfErrors 0 +2
        StrCpy $0 1
    SetOutPath "$2\"
    RMDir /r "$INSTDIR"
    SetErrorLevel $0
SectionEnd
