; The product's names, places and the texts the setup program shows: constants of the program.

!define PRODUCT_NAME "Quintavera"
!define PUBLISHER "Orbelin"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quintavera"
; The installer's own keys (its printer record lives under them while it runs).
!define PRODUCT_KEY "Software\Orbelin\Quintavera"
!define PUBLISHER_KEY "Software\Orbelin"
!define RUN_KEY "SOFTWARE\Microsoft\Windows\CurrentVersion\Run"
!define TRAY_RUN_VALUE "QuintaveraTray"
!define UNINSTALLER "uninstall.exe"
; Held while a setup program or an uninstaller runs: a second one says so and ends.
!define SETUP_MUTEX "Quintavera setup {5B2E8C14-7A3D-4F61-9E20-C8D15A7B3F96}"

; Exit codes that deployment tools understand.
!define EXIT_SUCCESS 0
!define EXIT_FAILED 1603
!define EXIT_ALREADY_RUNNING 1618
!define EXIT_RESTART_NEEDED 3010
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
!define MSG_NEEDS_64BIT "Quintavera needs 64-bit Windows."
!define MSG_NEEDS_ADMIN "Quintavera can only be installed or removed by an administrator."
!define MSG_RESTART_FIRST "Windows must restart before Quintavera can be installed or updated: files of an earlier Quintavera are still waiting to be removed at the restart. Nothing has been changed."
!define MSG_RESTART_FIRST_ASK "$\n$\nRestart Windows now?"
!define MSG_ERRORS_LOGGED "Quintavera could not be installed completely. The installer's log window has shown why."
!define MSG_UNINSTALL_ERRORS "Quintavera could not be removed completely. The installer's log window has shown why. Quintavera's files are kept so that you can try again."
!define MSG_NOT_STARTED "The Quintavera installer could not be started"
!define MSG_UNEXPECTED "The Quintavera installer ended unexpectedly with code"
!define MSG_DRIVER_MISSING "The Quintavera printer driver is not in place after the install."
!define MSG_MAKE_DEFAULT "Your default printer is not a Quintavera printer. Make Quintavera the default printer?"
!define MSG_RESTART_TO_FINISH "Windows must restart to finish. Restart now?"
