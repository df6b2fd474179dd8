; English texts of the setup, the source of the other languages' files; the
; first language, so the one taken when the user's language has no file here.
!insertmacro MUI_LANGUAGE English
LangString TARN_NO_PLATFORM ${LANG_ENGLISH} "The maker's platform package was not found on this computer (missing:$NoPlatform).$\r$\n$\r$\nTarnview runs without it, but the tablet's hardware buttons need it: install the platform package of your tablet, and Tarnview takes it up within seconds."
LangString TARN_NEXT_LOGON ${LANG_ENGLISH} "Tarnview starts at your next logon."
LangString TARN_RUN_NOW ${LANG_ENGLISH} "Start Tarnview now"
LangString TARN_NOT_ADMIN ${LANG_ENGLISH} "Tarn is installed for every user of this computer: please run this program as an administrator."
LangString TARN_RESTART ${LANG_ENGLISH} "Restart the computer to finish."
LangString TARN_MSI_INSTALLED ${LANG_ENGLISH} "Tarn is already installed on this computer from its Windows Installer package (Tarn-<version>-x64.msi or -x86.msi). Remove $\"Tarn$\" in Add/Remove Programs first, or install the newer .msi package instead."
LangString TARN_NEWER_INSTALLED ${LANG_ENGLISH} "Tarn $0 is installed on this computer, newer than this setup (${TARN_VERSION}). Remove it in Add/Remove Programs first to go back to this version."
LangString TARN_IN_USE ${LANG_ENGLISH} "In use, replaced at the next restart: $0"
LangString TARN_NOT_FOUND ${LANG_ENGLISH} "Not found:$NoPlatform"
LangString TARN_NOT_STARTED_NOW ${LANG_ENGLISH} "Tarnview could not be started now."
LangString TARN_INSTALLED ${LANG_ENGLISH} "Tarn is installed on this computer."
LangString TARN_FILES_FAILED ${LANG_ENGLISH} "These files could not be written:$FilesFailed. Close every Tarnview and run the setup again."
LangString TARN_SHORTCUT ${LANG_ENGLISH} "Tarn Buttons"
