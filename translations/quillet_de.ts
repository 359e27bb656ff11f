<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="en_US">
<context>
    <name>Quillet</name>
    <message>
        <source>%1 is not the mount point of a drive.</source>
        <translation>%1 ist nicht der Einhängepunkt eines Laufwerks.</translation>
    </message>
    <message>
        <source>%1 on the drive overlaps item %2, which keeps %3 in step with %4. A file on the drive can belong to one item only.</source>
        <translation>%1 auf dem Laufwerk überschneidet sich mit Eintrag %2, der %3 mit %4 abgleicht. Eine Datei auf dem Laufwerk kann nur zu einem Eintrag gehören.</translation>
    </message>
    <message>
        <source>A new pairing forgets the list of the drive paired now: %1 items.</source>
        <translation>Ein neu eingerichtetes Laufwerk ersetzt die Liste des jetzt eingerichteten: %1 Einträge werden vergessen.</translation>
    </message>
    <message>
        <source>A new pairing forgets the list of the drive paired now: 1 item.</source>
        <translation>Ein neu eingerichtetes Laufwerk ersetzt die Liste des jetzt eingerichteten: 1 Eintrag wird vergessen.</translation>
    </message>
    <message>
        <source>Add file to sync...</source>
        <translation>Datei hinzufügen...</translation>
    </message>
    <message>
        <source>Add folder to sync...</source>
        <translation>Ordner hinzufügen...</translation>
    </message>
    <message>
        <source>Another pass is running; waiting for the next search.</source>
        <translation>Ein anderer Abgleich läuft; warte auf die nächste Suche.</translation>
    </message>
    <message>
        <source>Build</source>
        <translation>Build</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Check for upgrades</source>
        <translation>Nach neuer Version suchen</translation>
    </message>
    <message>
        <source>Choose destination folder</source>
        <translation>Zielordner wählen</translation>
    </message>
    <message>
        <source>Choose the Folder to Sync</source>
        <translation>Abzugleichenden Ordner wählen</translation>
    </message>
    <message>
        <source>Choose the removable drive that will be synchronized with your PC.</source>
        <translation>Wählen Sie das Wechsellaufwerk, das mit Ihrem PC abgeglichen werden soll.</translation>
    </message>
    <message>
        <source>Conflicts resolution:</source>
        <translation>Bei Konflikten:</translation>
    </message>
    <message>
        <source>Copy from Local PC to Removable Drive</source>
        <translation>Vom PC auf das Wechsellaufwerk kopieren</translation>
    </message>
    <message>
        <source>Copy from Local PC to Removable Drive. (Prompt before any change)</source>
        <translation>Vom PC auf das Wechsellaufwerk kopieren. (Vor jeder Änderung fragen)</translation>
    </message>
    <message>
        <source>Copy from Removable Drive to Local PC</source>
        <translation>Vom Wechsellaufwerk auf den PC kopieren</translation>
    </message>
    <message>
        <source>Copy from Removable Drive to Local PC. (Prompt before any change)</source>
        <translation>Vom Wechsellaufwerk auf den PC kopieren. (Vor jeder Änderung fragen)</translation>
    </message>
    <message>
        <source>Copy to removable drive...</source>
        <translation>Auf das Wechsellaufwerk kopieren...</translation>
    </message>
    <message>
        <source>Copying...</source>
        <translation>Kopiere...</translation>
    </message>
    <message>
        <source>Disk Free Space:</source>
        <translation>Freier Platz:</translation>
    </message>
    <message>
        <source>Disk Size:</source>
        <translation>Laufwerksgröße:</translation>
    </message>
    <message>
        <source>Do you accept this replacement ?</source>
        <translation>Sind Sie mit dieser Ersetzung einverstanden?</translation>
    </message>
    <message>
        <source>Don't forget to set if you want to synchronize only if the drive is on the same drive letter next time you synchronize (in USB devices is not recommended)</source>
        <translation>Legen Sie fest, ob nur abgeglichen werden soll, wenn das Laufwerk beim nächsten Abgleich denselben Laufwerksbuchstaben hat (für USB-Geräte nicht empfohlen)</translation>
    </message>
    <message>
        <source>Don't show this warning next time.</source>
        <translation>Diesen Hinweis nicht mehr anzeigen.</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Every</source>
        <translation>Alle</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>File date:</source>
        <translation>Dateidatum:</translation>
    </message>
    <message>
        <source>File does not exist or is a Folder, you can only synchronize files not folders.</source>
        <translation>Die Datei existiert nicht oder ist ein Ordner. Sie können nur Dateien abgleichen, keine Ordner.</translation>
    </message>
    <message>
        <source>File removed for synchronization.</source>
        <translation>Die Datei wurde aus dem Abgleich entfernt.</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>Folder should be on the remote drive !!</source>
        <translation>Der Ordner muss auf dem Wechsellaufwerk liegen!</translation>
    </message>
    <message>
        <source>Keep the latest file on both.</source>
        <translation>Neueste Datei auf beiden Seiten behalten.</translation>
    </message>
    <message>
        <source>Keep the latest file on both. (Prompt before any change)</source>
        <translation>Neueste Datei auf beiden Seiten behalten. (Vor jeder Änderung fragen)</translation>
    </message>
    <message>
        <source>Local File:</source>
        <translation>Lokale Datei:</translation>
    </message>
    <message>
        <source>Local file not found</source>
        <translation>Lokale Datei nicht gefunden</translation>
    </message>
    <message>
        <source>Local folder cannot be synchronized</source>
        <translation>Lokaler Ordner kann nicht abgeglichen werden</translation>
    </message>
    <message>
        <source>Local folder not found</source>
        <translation>Lokaler Ordner nicht gefunden</translation>
    </message>
    <message>
        <source>Map all drives. (recommended to mini HDD drives)</source>
        <translation>Alle Laufwerke anzeigen. (empfohlen für kleine Festplatten)</translation>
    </message>
    <message>
        <source>New folder name:</source>
        <translation>Name des neuen Ordners:</translation>
    </message>
    <message>
        <source>No drive is paired.</source>
        <translation>Es ist kein Laufwerk eingerichtet.</translation>
    </message>
    <message>
        <source>No drive was chosen. Please choose the drive to sync.</source>
        <translation>Es wurde kein Laufwerk gewählt. Bitte wählen Sie das abzugleichende Laufwerk.</translation>
    </message>
    <message>
        <source>No removable drives found.</source>
        <translation>Keine Wechsellaufwerke gefunden.</translation>
    </message>
    <message>
        <source>Not found</source>
        <translation>Nicht gefunden</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Only synchronize if the drive have the same letter.</source>
        <translation>Nur abgleichen, wenn das Laufwerk denselben Buchstaben hat.</translation>
    </message>
    <message>
        <source>Please choose the drive to sync:</source>
        <translation>Bitte wählen Sie das abzugleichende Laufwerk:</translation>
    </message>
    <message>
        <source>Press to create a new folder</source>
        <translation>Neuen Ordner anlegen</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>Refresh Time:</source>
        <translation>Suchintervall:</translation>
    </message>
    <message>
        <source>Removable Drive File:</source>
        <translation>Datei auf dem Wechsellaufwerk:</translation>
    </message>
    <message>
        <source>Removable drive not found. Please connect the drive before adding any new file.</source>
        <translation>Wechsellaufwerk nicht gefunden. Bitte schließen Sie das Laufwerk an, bevor Sie eine neue Datei hinzufügen.</translation>
    </message>
    <message>
        <source>Removable drive not found. Please connect the drive before adding any new folder.</source>
        <translation>Wechsellaufwerk nicht gefunden. Bitte schließen Sie das Laufwerk an, bevor Sie einen neuen Ordner hinzufügen.</translation>
    </message>
    <message>
        <source>Remove Sync...</source>
        <translation>Entfernen...</translation>
    </message>
    <message>
        <source>Same root only: no. The drive is found wherever it is mounted.</source>
        <translation>Nur derselbe Einhängepunkt: nein. Das Laufwerk wird gefunden, wo immer es eingehängt ist.</translation>
    </message>
    <message>
        <source>Same root only: yes. The drive is found only at %1.</source>
        <translation>Nur derselbe Einhängepunkt: ja. Das Laufwerk wird nur unter %1 gefunden.</translation>
    </message>
    <message>
        <source>Setup a new drive</source>
        <translation>Neues Laufwerk einrichten</translation>
    </message>
    <message>
        <source>Show/Hide</source>
        <translation>Anzeigen/Ausblenden</translation>
    </message>
    <message>
        <source>Size (bytes):</source>
        <translation>Größe (Bytes):</translation>
    </message>
    <message>
        <source>Start New Sync</source>
        <translation>Abgleich einrichten</translation>
    </message>
    <message>
        <source>Start at login</source>
        <translation>Beim Anmelden starten</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Anhalten</translation>
    </message>
    <message>
        <source>Synchronize Now</source>
        <translation>Jetzt abgleichen</translation>
    </message>
    <message>
        <source>Synchronized</source>
        <translation>Abgeglichen</translation>
    </message>
    <message>
        <source>1 file changed on both sides: both copies were kept.</source>
        <translation>1 Datei wurde auf beiden Seiten geändert: beide Fassungen wurden behalten.</translation>
    </message>
    <message>
        <source>%1 files changed on both sides: both copies were kept.</source>
        <translation>%1 Dateien wurden auf beiden Seiten geändert: beide Fassungen wurden behalten.</translation>
    </message>
    <message>
        <source>Not Synchronized (declined)</source>
        <translation>Nicht abgeglichen (abgelehnt)</translation>
    </message>
    <message>
        <source>Synchronized at </source>
        <translation>Abgeglichen am </translation>
    </message>
    <message>
        <source>Synchronizing...</source>
        <translation>Gleiche ab...</translation>
    </message>
    <message>
        <source>The application is still running, to terminate you should go to Tray Icon and click with right button, choose Exit to terminate application.</source>
        <translation>Das Programm läuft weiter. Um es zu beenden, klicken Sie mit der rechten Maustaste auf das Symbol im Infobereich und wählen Sie „Beenden“.</translation>
    </message>
    <message>
        <source>The list of the drive paired before was forgotten: %1 items.</source>
        <translation>Die Liste des zuvor eingerichteten Laufwerks wurde vergessen: %1 Einträge.</translation>
    </message>
    <message>
        <source>The list of the drive paired before was forgotten: 1 item.</source>
        <translation>Die Liste des zuvor eingerichteten Laufwerks wurde vergessen: 1 Eintrag.</translation>
    </message>
    <message>
        <source>The list was changed by another program meanwhile. Nothing was removed.</source>
        <translation>Die Liste wurde inzwischen von einem anderen Programm geändert. Es wurde nichts entfernt.</translation>
    </message>
    <message>
        <source>The selected removable drive was not found.</source>
        <translation>Wechsellaufwerk nicht gefunden.</translation>
    </message>
    <message>
        <source>The serial number of the drive at %1 cannot be read, so it could not be told apart from other drives of the same size. It was not paired.</source>
        <translation>Die Seriennummer des Laufwerks unter %1 kann nicht gelesen werden; es wäre von anderen Laufwerken gleicher Größe nicht zu unterscheiden. Es wurde nicht eingerichtet.</translation>
    </message>
    <message>
        <source>The settings are being changed by another program. Nothing was changed; please try again.</source>
        <translation>Die Einstellungen werden gerade von einem anderen Programm geändert. Es wurde nichts geändert; bitte versuchen Sie es noch einmal.</translation>
    </message>
    <message>
        <source>The settings could not be saved in %1 (%2). Nothing was changed.</source>
        <translation>Die Einstellungen konnten nicht in %1 gespeichert werden (%2). Es wurde nichts geändert.</translation>
    </message>
    <message>
        <source>The settings file %1 cannot be read; nothing will be changed in it.</source>
        <translation>Die Einstellungsdatei %1 kann nicht gelesen werden; sie wird nicht verändert.</translation>
    </message>
    <message>
        <source>The size of the drive at %1 cannot be read. It was not paired.</source>
        <translation>Die Größe des Laufwerks unter %1 kann nicht gelesen werden. Es wurde nicht eingerichtet.</translation>
    </message>
    <message>
        <source>This don't delete the file on Local Computer or in Removable Drive, do you wish to remove on the Removable drive ? </source>
        <translation>Die Datei wird dadurch weder auf dem lokalen Computer noch auf dem Wechsellaufwerk gelöscht. Möchten Sie sie auf dem Wechsellaufwerk löschen? </translation>
    </message>
    <message>
        <source>To change only the same-root option, use 'quillet-cli same-root on|off'.</source>
        <translation>Um nur die Einstellung für denselben Einhängepunkt zu ändern, verwenden Sie 'quillet-cli same-root on|off'.</translation>
    </message>
    <message>
        <source>Total size of files to sync:</source>
        <translation>Gesamtgröße der Dateien:</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>View Log</source>
        <translation>Protokoll</translation>
    </message>
    <message>
        <source>Where do you want to place </source>
        <translation>Wohin möchten Sie </translation>
    </message>
    <message>
        <source>You cannot select files inside the Removable Drive !</source>
        <translation>Sie können keine Dateien auf dem Wechsellaufwerk wählen!</translation>
    </message>
    <message>
        <source>You cannot select folders inside the Removable Drive !</source>
        <translation>Sie können keine Ordner auf dem Wechsellaufwerk wählen!</translation>
    </message>
    <message>
        <source>You have already set a drive, do you wish to substitute this drive ?</source>
        <translation>Sie haben bereits ein Laufwerk eingerichtet. Möchten Sie es ersetzen?</translation>
    </message>
    <message>
        <source>hour</source>
        <translation>Stunde</translation>
    </message>
    <message>
        <source>is about to copy:</source>
        <translation>wird gleich kopieren:</translation>
    </message>
    <message>
        <source>quillet-cli: same-root takes on or off, not '%1'.</source>
        <translation>quillet-cli: same-root erwartet on oder off, nicht '%1'.</translation>
    </message>
    <message>
        <source>minute</source>
        <translation>60 Sekunden</translation>
    </message>
    <message>
        <source>minutes</source>
        <translation>Minuten</translation>
    </message>
    <message>
        <source>seconds</source>
        <translation>Sekunden</translation>
    </message>
    <message>
        <source>will replace:</source>
        <translation>und damit ersetzen:</translation>
    </message>
    <message>
        <source>© the Quillet developers. Free software, no warranty.</source>
        <translation>© die Quillet-Entwickler. Freie Software, ohne Gewährleistung.</translation>
    </message>
    <message>
        <source>%1 files could not be synchronized. Click here to see the log.</source>
        <translation>%1 Dateien konnten nicht synchronisiert werden. Hier klicken, um das Protokoll zu sehen.</translation>
    </message>
    <message>
        <source>1 file could not be synchronized. Click here to see the log.</source>
        <translation>1 Datei konnte nicht synchronisiert werden. Hier klicken, um das Protokoll zu sehen.</translation>
    </message>
    <message>
        <source>Keeps files and folders in step with a paired removable drive.</source>
        <translation>Hält Dateien und Ordner mit einem gekoppelten Wechsellaufwerk abgeglichen.</translation>
    </message>
    <message>
        <source>The removable drive was not found, so the file was not deleted on it.</source>
        <translation>Das Wechsellaufwerk wurde nicht gefunden, daher wurde die Datei darauf nicht gelöscht.</translation>
    </message>
    <message>
        <source>Usage:</source>
        <translation>Aufruf:</translation>
    </message>
    <message>
        <source>Without arguments it opens its window, which goes on in the notification area when closed.</source>
        <translation>Ohne Argumente öffnet es sein Fenster, das nach dem Schließen im Infobereich weiterläuft.</translation>
    </message>
    <message>
        <source>Starts with only the icon in the notification area.</source>
        <translation>Startet nur mit dem Symbol im Infobereich.</translation>
    </message>
    <message>
        <source>Adds the file or folder to the list, asking where it goes: the running Quillet does it, or else this start does it and ends.</source>
        <translation>Fügt die Datei oder den Ordner der Liste hinzu und fragt nach dem Ziel: das laufende Quillet tut es, sonst tut es dieser Start und beendet sich.</translation>
    </message>
    <message>
        <source>The same for a file.</source>
        <translation>Dasselbe für eine Datei.</translation>
    </message>
    <message>
        <source>Shows this text.</source>
        <translation>Zeigt diesen Text.</translation>
    </message>
    <message>
        <source>Shows the version.</source>
        <translation>Zeigt die Version.</translation>
    </message>
    <message>
        <source>bytes</source>
        <translation>Bytes</translation>
    </message>
    <message>
        <source>Stopping…</source>
        <translation>Wird angehalten…</translation>
    </message>
    <message>
        <source>1 file could not be synchronized: %1</source>
        <translation>1 Datei konnte nicht synchronisiert werden: %1</translation>
    </message>
    <message>
        <source>%1 files could not be synchronized: %2</source>
        <translation>%1 Dateien konnten nicht synchronisiert werden: %2</translation>
    </message>
    <message>
        <source>Click here to see the log.</source>
        <translation>Hier klicken, um das Protokoll zu sehen.</translation>
    </message>
    <message>
        <source>Copy on the drive: %1</source>
        <translation>Kopie auf dem Laufwerk: %1</translation>
    </message>
    <message>
        <source>%1 was not found.</source>
        <translation>%1 wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>%1 cannot be synchronized: it is a link, hidden or read-only.</source>
        <translation>%1 kann nicht synchronisiert werden: Es ist eine Verknüpfung, versteckt oder schreibgeschützt.</translation>
    </message>
    <message>
        <source>the drive was removed</source>
        <translation>das Laufwerk wurde entfernt</translation>
    </message>
    <message>
        <source>the local file is missing</source>
        <translation>die lokale Datei fehlt</translation>
    </message>
    <message>
        <source>the file on the drive is missing</source>
        <translation>die Datei auf dem Laufwerk fehlt</translation>
    </message>
    <message>
        <source>the file to copy cannot be read</source>
        <translation>die zu kopierende Datei kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>the source changed while it was copied</source>
        <translation>die Quelle hat sich während des Kopierens geändert</translation>
    </message>
    <message>
        <source>a folder or special file has this name</source>
        <translation>ein Ordner oder eine Sonderdatei hat diesen Namen</translation>
    </message>
    <message>
        <source>read-only file</source>
        <translation>schreibgeschützte Datei</translation>
    </message>
    <message>
        <source>the file to replace cannot be read</source>
        <translation>die zu ersetzende Datei kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>the destination is not on the paired drive</source>
        <translation>das Ziel liegt nicht auf dem eingerichteten Laufwerk</translation>
    </message>
    <message>
        <source>another file took its name meanwhile</source>
        <translation>eine andere Datei hat inzwischen ihren Namen erhalten</translation>
    </message>
    <message>
        <source>the file to replace changed during the pass</source>
        <translation>die zu ersetzende Datei hat sich während des Abgleichs geändert</translation>
    </message>
    <message>
        <source>a link on the drive is not followed</source>
        <translation>einer Verknüpfung auf dem Laufwerk wird nicht gefolgt</translation>
    </message>
    <message>
        <source>name too long for this drive</source>
        <translation>Name zu lang für dieses Laufwerk</translation>
    </message>
    <message>
        <source>name too long for this disk</source>
        <translation>Name zu lang für diesen Datenträger</translation>
    </message>
    <message>
        <source>name too long</source>
        <translation>Name zu lang</translation>
    </message>
    <message>
        <source>name not allowed on this drive</source>
        <translation>Name auf diesem Laufwerk nicht erlaubt</translation>
    </message>
    <message>
        <source>name not allowed on this disk</source>
        <translation>Name auf diesem Datenträger nicht erlaubt</translation>
    </message>
    <message>
        <source>no space left on the drive</source>
        <translation>kein Platz mehr auf dem Laufwerk</translation>
    </message>
    <message>
        <source>no space left on this computer's disk</source>
        <translation>kein Platz mehr auf dem Datenträger dieses Computers</translation>
    </message>
    <message>
        <source>the drive is read-only</source>
        <translation>das Laufwerk ist schreibgeschützt</translation>
    </message>
    <message>
        <source>the disk is read-only</source>
        <translation>der Datenträger ist schreibgeschützt</translation>
    </message>
    <message>
        <source>permission denied</source>
        <translation>Zugriff verweigert</translation>
    </message>
    <message>
        <source>the drive reported a read or write error</source>
        <translation>das Laufwerk hat einen Lese- oder Schreibfehler gemeldet</translation>
    </message>
    <message>
        <source>the disk reported a read or write error</source>
        <translation>der Datenträger hat einen Lese- oder Schreibfehler gemeldet</translation>
    </message>
    <message>
        <source>unknown error</source>
        <translation>unbekannter Fehler</translation>
    </message>
    <message>
        <source>the path is too long to be read</source>
        <translation>der Pfad ist zu lang, um gelesen zu werden</translation>
    </message>
    <message>
        <source>the folder cannot be read: permission denied</source>
        <translation>der Ordner kann nicht gelesen werden: Zugriff verweigert</translation>
    </message>
    <message>
        <source>the folder cannot be read:</source>
        <translation>der Ordner kann nicht gelesen werden:</translation>
    </message>
    <message>
        <source>both copies have the same time but differ</source>
        <translation>beide Kopien haben dieselbe Zeit, unterscheiden sich aber</translation>
    </message>
    <message>
        <source>another file differs only in case</source>
        <translation>eine andere Datei unterscheidet sich nur in der Groß-/Kleinschreibung</translation>
    </message>
    <message>
        <source>both copies changed and the other could not be kept</source>
        <translation>beide Kopien wurden geändert und die andere konnte nicht aufbewahrt werden</translation>
    </message>
    <message>
        <source>the local folder is a link, hidden or read-only</source>
        <translation>der lokale Ordner ist eine Verknüpfung, versteckt oder schreibgeschützt</translation>
    </message>
    <message>
        <source>the local folder was not found</source>
        <translation>der lokale Ordner wurde nicht gefunden</translation>
    </message>
    <message>
        <source>the local file was not found</source>
        <translation>die lokale Datei wurde nicht gefunden</translation>
    </message>
    <message>
        <source>(%1 files failed)</source>
        <translation>(%1 Dateien fehlgeschlagen)</translation>
    </message>
    <message>
        <source>%1 changed on both sides: both copies kept</source>
        <translation>%1 auf beiden Seiten geändert: beide Kopien aufbewahrt</translation>
    </message>
    <message>
        <source>changed on both sides: both copies kept</source>
        <translation>auf beiden Seiten geändert: beide Kopien aufbewahrt</translation>
    </message>
    <message>
        <source>Not Synchronized (stopped)</source>
        <translation>Nicht abgeglichen (angehalten)</translation>
    </message>
</context>
</TS>
