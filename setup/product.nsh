; The product's names, places and the texts the setup program shows: constants of the program.

!define PRODUCT_NAME "Quintavera"
!define PUBLISHER "Orbelin"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quintavera"
; The installer's own keys (its printer record lives under them while it runs).
!define PRODUCT_KEY "Software\Orbelin\Quintavera"
!define PUBLISHER_KEY "Software\Orbelin"
!define RUN_KEY "SOFTWARE\Microsoft\Windows\CurrentVersion\Run"
!define PROTECTED_PRINT_POLICY_KEY "Software\Policies\Microsoft\Windows NT\Printers\WPP"
!define PROTECTED_PRINT_POLICY_VALUE "WindowsProtectedPrintGroupPolicyState"
!define TRAY_RUN_VALUE "QuintaveraTray"
!define UNINSTALLER "uninstall.exe"
; In the entry: 1 when the tray program was left out; an update keeps that choice unless /TRAY.
!define NO_TRAY_VALUE "NoTrayProgram"
; Held while a setup program or an uninstaller runs: a second one says so and ends. Its name in
; the product's private namespace (single_instance.nsh), machine-wide, so that a setup run as
; SYSTEM and one in a person's session exclude each other.
!define SETUP_MUTEX "Quintavera setup {5B2E8C14-7A3D-4F61-9E20-C8D15A7B3F96}"
; The own logs' names in the work folder's %TEMP% (work_folder.nsh), where they go without /LOG=.
!define SETUP_LOG "QuintaveraSetup.log"
!define UNINSTALL_LOG "QuintaveraUninstall.log"
; A folder outside %ProgramFiles% gets Program Files' rights (protected: nothing inherited):
; Administrators and SYSTEM full control, Users read and execute.
!define FOLDER_RIGHTS_SDDL "D:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)"
!define FOLDER_RIGHTS_TEXT "Administrators and SYSTEM full control, Users read and execute, nothing inherited"
; The plug-ins folder, where the setup's copy of the installer runs: nobody else may even read it.
!define WORK_FOLDER_SDDL "D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"
!define WORK_FOLDER_TEXT "owner Administrators, full control for SYSTEM and Administrators only"
; Beside the uninstaller while its file waits to be deleted after it has ended.
!define REMOVING_SUFFIX ".removing"
; Beside a file that cannot be replaced at once: its new content, queued to replace it at the restart.
!define NEW_FILE_SUFFIX ".qvnew"

; Exit codes that deployment tools understand.
!define EXIT_SUCCESS 0
!define EXIT_CANCELLED 1602
!define EXIT_FAILED 1603
!define EXIT_ALREADY_RUNNING 1618
!define EXIT_NEWER_INSTALLED 1638
!define EXIT_RESTART_STARTED 1641
!define EXIT_RESTART_NEEDED 3010
!define ERROR_ACCESS_DENIED 5
!define ERROR_ALREADY_EXISTS 183

; The installer's exit codes the setup program acts on.
!define QV_INSTALLED 1
!define QV_UNINSTALLED 2
!define QV_ANSWER_NO 3
!define QV_DEFAULT_SET 4
!define QV_ERRORS_LOGGED 100
!define QV_RESTART_TO_FINISH 101
!define QV_DEFAULT_NOT_PRODUCT 102
!define QV_DRIVER_IN_PLACE 103
!define QV_RESTART_FIRST 200

!define MSG_ALREADY_RUNNING "Another Quintavera setup or uninstall is running. Wait until it has finished, then try again."
!define MSG_NEEDS_AMD64 "Quintavera needs Windows on an x64 (AMD64) processor."
!define MSG_PROTECTED_PRINT "Windows protected print mode is on: Windows admits no printer driver or port monitor but its own, so Quintavera cannot be installed or updated. Nothing has been changed."
!define MSG_NEEDS_ADMIN "Quintavera can only be installed or removed by an administrator."
!define MSG_RESTART_FIRST "Windows must restart before Quintavera can be installed or updated: files of an earlier Quintavera are still waiting to be removed at the restart. Nothing has been changed."
!define MSG_RESTART_FIRST_ASK "$\n$\nRestart Windows now?"
!define MSG_ERRORS_LOGGED "Quintavera could not be installed completely. The installer's log, in the details and in the setup's log, shows why:"
!define MSG_UNINSTALL_ERRORS "Quintavera could not be removed completely; its files are kept so that you can try again. The installer's log, in the details and in the uninstaller's log, shows why:"
!define MSG_NEWER_INSTALLED "A newer Quintavera is installed. This setup is older and has changed nothing. Installed version:"
!define MSG_FILE_NOT_LAID_OUT "A file could not be laid out, not even for the restart:"
!define MSG_OWNER_NOT_SET "The folder's owner could not be set to Administrators, so the folder stays in the hands of its owner, who could change what runs elevated there. Nothing has been changed:"
!define MSG_NO_PROFILE "The profile folder of the account running the setup cannot be found, so the setup has no folder of its own for its work files. Nothing has been changed."
!define MSG_WORK_FOLDER "The rights of the setup's work folder could not be set, so nothing was run from it and nothing has been changed:"
!define MSG_RIGHTS_NOT_SET "The folder's rights could not be set, so nothing was laid out in it:"
!define MSG_NOT_STARTED "The Quintavera installer could not be started"
!define MSG_UNEXPECTED "The Quintavera installer ended unexpectedly with code"
!define MSG_DRIVER_MISSING "The Quintavera printer driver is not in place after the install."
!define MSG_MAKE_DEFAULT "Your default printer is not a Quintavera printer. Make Quintavera the default printer?"
!define MSG_RESTART_TO_FINISH "Windows must restart to finish. Restart now?"
