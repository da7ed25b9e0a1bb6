<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name></name>
    <message id="WINDOW_TOP_TITLE">
        <source>Quellsy</source>
        <extracomment>Title of every window</extracomment>
        <translation>Quellsy</translation>
    </message>
    <message id="WINDOW_CLOSE_BUTTON">
        <source>Close</source>
        <extracomment>The window button that closes the window</extracomment>
        <translation>Close</translation>
    </message>
    <message id="WINDOW_MINIMIZE_BUTTON">
        <source>Minimise</source>
        <extracomment>The window button that minimises the window</extracomment>
        <translation>Minimise</translation>
    </message>
    <message id="WINDOW_ZOOM_BUTTON">
        <source>Zoom</source>
        <extracomment>The window button that enlarges the window or gives it its size back</extracomment>
        <translation>Zoom</translation>
    </message>
    <message id="ALERT_DEFAULT_BUTTON">
        <source>OK</source>
        <extracomment>The button of an alert that names no button of its own</extracomment>
        <translation>OK</translation>
    </message>
    <message id="COMM_BACK_BUTTON">
        <source>Back</source>
        <extracomment>Button that returns to the previous page</extracomment>
        <translation>Back</translation>
    </message>
    <message id="SAVE_SAME_DISK_SAVE_BUTTON">
        <source>Save here</source>
        <extracomment>Button that saves scan results on the scanned device all the same</extracomment>
        <translation>Save here</translation>
    </message>
    <message id="SAVE_RSF_NOT_CREATED">
        <source>The scan result file could not be created in the chosen folder. Please choose another folder.</source>
        <extracomment>Informative text when the file of an export cannot be created</extracomment>
        <translation>The scan result file could not be created in the chosen folder. Please choose another folder.</translation>
    </message>
    <message id="SAVE_RSF_WRITE_FAILED">
        <source>The scan result could not be written completely, perhaps because the disk is full. No file was kept.</source>
        <extracomment>Informative text when writing an export fails part way</extracomment>
        <translation>The scan result could not be written completely, perhaps because the disk is full. No file was kept.</translation>
    </message>
    <message id="SAVE_RSF_FAILED">
        <source>The scan result could not be saved. No file was kept.</source>
        <extracomment>Informative text when an export fails for another reason</extracomment>
        <translation>The scan result could not be saved. No file was kept.</translation>
    </message>
    <message id="READ_RSF_FAILED">
        <source>The scan result file could not be read. It may be damaged, or the device it was saved from is not connected.</source>
        <extracomment>Informative text when opening a scan result file fails</extracomment>
        <translation>The scan result file could not be read. It may be damaged, or the device it was saved from is not connected.</translation>
    </message>
    <message id="KIT_PREVIEW_WINDOW">
        <source>Preview</source>
        <extracomment>Accessible name of the window the space bar opens with a found file's picture</extracomment>
        <translation>Preview</translation>
    </message>
    <message id="KIT_PREVIEW_IMAGE">
        <source>Picture of the file</source>
        <extracomment>Accessible name of the picture in the preview window</extracomment>
        <translation>Picture of the file</translation>
    </message>
    <message id="KIT_GRID_VIEW">
        <source>Found files as thumbnails</source>
        <extracomment>Accessible name of the thumbnail grid</extracomment>
        <translation>Found files as thumbnails</translation>
    </message>
    <message id="KIT_GRID_TILE">
        <source>Found file</source>
        <extracomment>Accessible name of a grid tile that shows no file yet</extracomment>
        <translation>Found file</translation>
    </message>
    <message id="KIT_GRID_CHECK_BOX">
        <source>Check the file for recovery</source>
        <extracomment>Accessible name of a grid tile's check box</extracomment>
        <translation>Check the file for recovery</translation>
    </message>
    <message id="KIT_GRID_SELECTION_FRAME">
        <source>Selection rectangle</source>
        <extracomment>Accessible name of the rubber band dragged over the grid</extracomment>
        <translation>Selection rectangle</translation>
    </message>
    <message id="KIT_COVER_FLOW">
        <source>Found files as covers</source>
        <extracomment>Accessible name of the cover flow</extracomment>
        <translation>Found files as covers</translation>
    </message>
    <message id="DEVICE_NAME_UNTITILED">
        <source>Untitled</source>
        <extracomment>Name shown for a device without a name</extracomment>
        <translation>Untitled</translation>
    </message>
    <message id="CREATE_TIME_ROOT_NAME">
        <source>Creation date</source>
        <extracomment>Top of the tree of files by creation month</extracomment>
        <translation>Creation date</translation>
    </message>
    <message id="MODIFY_TIME_ROOT_NAME">
        <source>Modification date</source>
        <extracomment>Top of the tree of files by modification month</extracomment>
        <translation>Modification date</translation>
    </message>
    <message id="LAST_ACCESS_TIME_ROOT_NAME">
        <source>Last opened</source>
        <extracomment>Top of the tree of files by last access month</extracomment>
        <translation>Last opened</translation>
    </message>
    <message id="YES_BUTTON">
        <source>Cancel</source>
        <extracomment>Gives up (default button of the not-enough-space question)</extracomment>
        <translation>Cancel</translation>
    </message>
    <message id="NO_BUTTON">
        <source>Continue</source>
        <extracomment>Goes on anyway</extracomment>
        <translation>Continue</translation>
    </message>
    <message id="RVT_TWO_DOCUMENT_TITLE">
        <source>Documents</source>
        <extracomment>File kind</extracomment>
        <translation>Documents</translation>
    </message>
    <message id="RVT_TWO_PICTURE_TITLE">
        <source>Pictures</source>
        <extracomment>File kind</extracomment>
        <translation>Pictures</translation>
    </message>
    <message id="RVT_TWO_MOVIE_TITLE">
        <source>Movies</source>
        <extracomment>File kind</extracomment>
        <translation>Movies</translation>
    </message>
    <message id="RVT_TWO_MUSIC_TITLE">
        <source>Music</source>
        <extracomment>File kind</extracomment>
        <translation>Music</translation>
    </message>
    <message id="RVT_TWO_ARCHIVES_TITLE">
        <source>Archives</source>
        <extracomment>File kind</extracomment>
        <translation>Archives</translation>
    </message>
    <message id="RVT_TWO_EMAIL_TITLE">
        <source>E-mail</source>
        <extracomment>File kind</extracomment>
        <translation>E-mail</translation>
    </message>
    <message id="RVT_TWO_OTHER_TITLE">
        <source>Other</source>
        <extracomment>File kind</extracomment>
        <translation>Other</translation>
    </message>
    <message id="RVT_TWO_DOCUMENT_DISCRIPTION">
        <source>Text, office and PDF documents</source>
        <extracomment>What the file kind holds</extracomment>
        <translation>Text, office and PDF documents</translation>
    </message>
    <message id="RVT_TWO_PICTURE_DISCRIPTION">
        <source>Photos, camera raw files and other images</source>
        <extracomment>What the file kind holds</extracomment>
        <translation>Photos, camera raw files and other images</translation>
    </message>
    <message id="RVT_TWO_MOVIE_DISCRIPTION">
        <source>Video clips and films</source>
        <extracomment>What the file kind holds</extracomment>
        <translation>Video clips and films</translation>
    </message>
    <message id="RVT_TWO_MUSIC_DISCRIPTION">
        <source>Songs, recordings and other audio</source>
        <extracomment>What the file kind holds</extracomment>
        <translation>Songs, recordings and other audio</translation>
    </message>
    <message id="RVT_TWO_ARCHIVES_DISCRIPTION">
        <source>Compressed archives and disk images</source>
        <extracomment>What the file kind holds</extracomment>
        <translation>Compressed archives and disk images</translation>
    </message>
    <message id="RVT_TWO_EMAIL_DISCRIPTION">
        <source>Mailboxes and saved messages</source>
        <extracomment>What the file kind holds</extracomment>
        <translation>Mailboxes and saved messages</translation>
    </message>
    <message id="RVT_TWO_OTHER_DISCRIPTION">
        <source>Every other kind of file</source>
        <extracomment>What the file kind holds</extracomment>
        <translation>Every other kind of file</translation>
    </message>
    <message id="RVT_TWO_CONTINUE_BUTTON">
        <source>Continue</source>
        <extracomment>Goes on to the device page</extracomment>
        <translation>Continue</translation>
    </message>
    <message id="RVT_TWO_IMPORT_BUTTON_TIP">
        <source>Open a saved scan result</source>
        <extracomment>Tool tip of the import button</extracomment>
        <translation>Open a saved scan result</translation>
    </message>
    <message id="RVT_THREE_SCAN_BUTTON">
        <source>Scan</source>
        <extracomment>Starts the scan of the chosen device</extracomment>
        <translation>Scan</translation>
    </message>
    <message id="RVT_THREE_TABLEVIEW_DRIVES">
        <source>Drives</source>
        <extracomment>Device list column</extracomment>
        <translation>Drives</translation>
    </message>
    <message id="RVT_THREE_TABLEVIEW_FILESYSTEM">
        <source>File system</source>
        <extracomment>Device list column</extracomment>
        <translation>File system</translation>
    </message>
    <message id="RVT_THREE_TABLEVIEW_SIZE">
        <source>Size</source>
        <extracomment>Device list column</extracomment>
        <translation>Size</translation>
    </message>
    <message id="RVT_FOUR_FILESFOUND">
        <source>Files found: %@</source>
        <extracomment>Found-file count while scanning; %@ is the count</extracomment>
        <translation>Files found: %@</translation>
    </message>
    <message id="RVT_FOUR_REMAININGTIME">
        <source>Time remaining: %@</source>
        <extracomment>%@ is hh:mm:ss or -:-:-</extracomment>
        <translation>Time remaining: %@</translation>
    </message>
    <message id="RVT_FOUR_ALL_FILES_SIZE" numerus="yes">
        <source>Found %@ in %lld files</source>
        <extracomment>%@ is the total size, %lld the number of files; one form per plural form of that number</extracomment>
        <translation>
            <numerusform>Found %@ in %lld file</numerusform>
            <numerusform>Found %@ in %lld files</numerusform>
        </translation>
    </message>
    <message id="RVT_FOUR_SELECT_FILES" numerus="yes">
        <source>Selected %@ in %d files</source>
        <extracomment>%@ is the checked size, %d the number of checked files; one form per plural form of that number</extracomment>
        <translation>
            <numerusform>Selected %@ in %d file</numerusform>
            <numerusform>Selected %@ in %d files</numerusform>
        </translation>
    </message>
    <message id="RVT_FOUR_SIZE_BYTES" numerus="yes">
        <source>%d bytes</source>
        <extracomment>A size under a kilobyte in the found and selected summaries; %d is the number of bytes</extracomment>
        <translation>
            <numerusform>%d byte</numerusform>
            <numerusform>%d bytes</numerusform>
        </translation>
    </message>
    <message id="RVT_FOUR_SELECT_TYPE_BUTTON_PATH">
        <source>Path</source>
        <extracomment>Tree tab: files by folder</extracomment>
        <translation>Path</translation>
    </message>
    <message id="RVT_FOUR_SELECT_TYPE_BUTTON_TYPE">
        <source>Type</source>
        <extracomment>Tree tab: files by kind</extracomment>
        <translation>Type</translation>
    </message>
    <message id="RVT_FOUR_SELECT_TYPE_BUTTON_TIME">
        <source>Date</source>
        <extracomment>Tree tab: files by month</extracomment>
        <translation>Date</translation>
    </message>
    <message id="RVT_FOUR_TABLEVIEW_NAME">
        <source>Name</source>
        <extracomment>File table column</extracomment>
        <translation>Name</translation>
    </message>
    <message id="RVT_FOUR_TABLEVIEW_SIZE">
        <source>Size</source>
        <extracomment>File table column</extracomment>
        <translation>Size</translation>
    </message>
    <message id="RVT_FOUR_TABLEVIEW_CREATED">
        <source>Created</source>
        <extracomment>File table column</extracomment>
        <translation>Created</translation>
    </message>
    <message id="RVT_FOUR_TABLEVIEW_PATH">
        <source>Path</source>
        <extracomment>File table column</extracomment>
        <translation>Path</translation>
    </message>
    <message id="RVT_FOUR_SELECT_TYPE_BUTTON_CREATED">
        <source>Created</source>
        <extracomment>Tree tab: files by the month they were created</extracomment>
        <translation>Created</translation>
    </message>
    <message id="RVT_FOUR_SELECT_TYPE_BUTTON_MODIFIED">
        <source>Modified</source>
        <extracomment>Tree tab: files by the month they were last changed</extracomment>
        <translation>Modified</translation>
    </message>
    <message id="SELECT_ALL">
        <source>Select all</source>
        <extracomment>The box in the file table's header that checks or clears every file listed</extracomment>
        <translation>Select all</translation>
    </message>
    <message id="RVT_FOUR_NO_VALUE_NOTE">
        <source>No files here. Choose another folder or kind on the left.</source>
        <extracomment>Shown over an empty file list</extracomment>
        <translation>No files here. Choose another folder or kind on the left.</translation>
    </message>
    <message id="RVT_FOUR_DEEPSCAN_NODE">
        <source>Didn't find your files? Try Deep Scan: it reads the whole device block by block.</source>
        <extracomment>Hint after a quick scan; must contain the words of "Deep Scan"</extracomment>
        <translation>Didn't find your files? Try Deep Scan: it reads the whole device block by block.</translation>
    </message>
    <message id="Deep Scan">
        <source>Deep Scan</source>
        <extracomment>The highlighted words inside RVT_FOUR_DEEPSCAN_NODE</extracomment>
        <translation>Deep Scan</translation>
    </message>
    <message id="RVT_FOUR_SAVE_BUTTON_TIP">
        <source>Save the scan result</source>
        <extracomment>Tool tip of the export button</extracomment>
        <translation>Save the scan result</translation>
    </message>
    <message id="RVT_FOUR_SCAN_STOP_TITLE">
        <source>Stop the scan?</source>
        <extracomment>Question when stopping a running scan</extracomment>
        <translation>Stop the scan?</translation>
    </message>
    <message id="RVT_FOUR_SCAN_STOP_NODE">
        <source>The files found so far stay listed and can be recovered. A stopped scan cannot be resumed.</source>
        <extracomment>Informative text</extracomment>
        <translation>The files found so far stay listed and can be recovered. A stopped scan cannot be resumed.</translation>
    </message>
    <message id="RVT_FOUR_SCAN_STOP_YES_BUTTON">
        <source>Stop</source>
        <extracomment>Stops the scan</extracomment>
        <translation>Stop</translation>
    </message>
    <message id="RVT_FOUR_SCAN_STOP_NO_BUTTON">
        <source>Cancel</source>
        <extracomment>Keeps scanning</extracomment>
        <translation>Cancel</translation>
    </message>
    <message id="RVT_FOUR_SCAN_BACKHOME_TITLE">
        <source>Leave the scan?</source>
        <extracomment>Question when going back home during a scan</extracomment>
        <translation>Leave the scan?</translation>
    </message>
    <message id="RVT_FOUR_SCAN_BACKHOME_NODE">
        <source>The scan stops and its results are closed. Save the scan result first if you want to come back to it.</source>
        <extracomment>Informative text</extracomment>
        <translation>The scan stops and its results are closed. Save the scan result first if you want to come back to it.</translation>
    </message>
    <message id="RVT_FOUR_SCAN_BACKHOME_YES_BUTTON">
        <source>Leave</source>
        <extracomment>Goes back home</extracomment>
        <translation>Leave</translation>
    </message>
    <message id="RVT_FOUR_SCAN_BACKHOME_NO_BUTTON">
        <source>Stay</source>
        <extracomment>Stays in the results window</extracomment>
        <translation>Stay</translation>
    </message>
    <message id="RVT_FOUR_RECOVERY_NODE">
        <source>Choose a folder on another device to copy the checked files into.</source>
        <extracomment>Message of the destination panel</extracomment>
        <translation>Choose a folder on another device to copy the checked files into.</translation>
    </message>
    <message id="RVT_FOUR_RECOVERY_WINDOW_SAVE_BUTTON">
        <source>Recover</source>
        <extracomment>Default button of the destination panel</extracomment>
        <translation>Recover</translation>
    </message>
    <message id="RVT_FOUR_RECOVERY_NO_COMPETENCE_TITLE">
        <source>This folder cannot be written to</source>
        <extracomment>Alert title</extracomment>
        <translation>This folder cannot be written to</translation>
    </message>
    <message id="RVT_FOUR_RECOVERY_NO_COMPETENCE_NODE">
        <source>You have no permission to write into the chosen folder. Please choose another one.</source>
        <extracomment>Informative text</extracomment>
        <translation>You have no permission to write into the chosen folder. Please choose another one.</translation>
    </message>
    <message id="RVT_FOUR_RECOVERY_NO_COMPETENCE_YES_BUTTON">
        <source>OK</source>
        <extracomment>Closes the alert</extracomment>
        <translation>OK</translation>
    </message>
    <message id="RVT_FOUR_RECOVERY_NO_SPACE_TITLE">
        <source>Not enough free space</source>
        <extracomment>Alert title</extracomment>
        <translation>Not enough free space</translation>
    </message>
    <message id="RVT_FOUR_RECOVERY_NO_SPACE_NODE">
        <source>The destination folder has not enough free space for the checked files. Free some space on its device and continue, or cancel.</source>
        <extracomment>Informative text</extracomment>
        <translation>The destination folder has not enough free space for the checked files. Free some space on its device and continue, or cancel.</translation>
    </message>
    <message id="RVT_FOUR_RECOVERY_NO_SPACE_YES_BUTTON">
        <source>Cancel</source>
        <extracomment>Gives up: the alert starts nothing, the recovery progress window stops the recovery</extracomment>
        <translation>Cancel</translation>
    </message>
    <message id="RVT_FOUR_RECOVERY_NO_SPACE_NO_BUTTON">
        <source>Continue</source>
        <extracomment>Goes on: the alert starts the recovery anyway, the progress window resumes it</extracomment>
        <translation>Continue</translation>
    </message>
    <message id="RVT_FOUR_SAVE_SAME_PATH_TITLE">
        <source>This folder is on the scanned device</source>
        <extracomment>Alert title</extracomment>
        <translation>This folder is on the scanned device</translation>
    </message>
    <message id="RVT_FOUR_SAVE_SAME_PATH_NODE">
        <source>Writing to the device you are recovering from can overwrite the very files you want back. Choose a folder on another device.</source>
        <extracomment>Informative text</extracomment>
        <translation>Writing to the device you are recovering from can overwrite the very files you want back. Choose a folder on another device.</translation>
    </message>
    <message id="RVT_FOUR_SAVE_SAME_PATH_YES_BUTTON">
        <source>Choose another folder</source>
        <extracomment>Default button</extracomment>
        <translation>Choose another folder</translation>
    </message>
    <message id="RVT_FOUR_SAVE_SAME_PATH_NO_BUTTON">
        <source>Recover anyway</source>
        <extracomment>Alternate button</extracomment>
        <translation>Recover anyway</translation>
    </message>
    <message id="RVT_FOUR_RECOVER_PROGRESS_TITLE">
        <source>Recovering files</source>
        <extracomment>Title of the recovery progress window</extracomment>
        <translation>Recovering files</translation>
    </message>
    <message id="RVT_FOUR_RECOVERY_STOP_TITLE">
        <source>Stop the recovery?</source>
        <extracomment>Question when stopping a recovery</extracomment>
        <translation>Stop the recovery?</translation>
    </message>
    <message id="RVT_FOUR_RECOVERY_STOP_NODE">
        <source>The files copied so far stay in the destination folder.</source>
        <extracomment>Informative text</extracomment>
        <translation>The files copied so far stay in the destination folder.</translation>
    </message>
    <message id="RVT_FOUR_RECOVERY_STOP_YES_BUTTON">
        <source>Stop</source>
        <extracomment>Stops the recovery</extracomment>
        <translation>Stop</translation>
    </message>
    <message id="RVT_FOUR_RECOVERY_STOP_NO_BUTTON">
        <source>Continue</source>
        <extracomment>Goes on recovering</extracomment>
        <translation>Continue</translation>
    </message>
    <message id="RVT_FOUR_RECOVERY_STOP_BUTTON">
        <source>OK</source>
        <extracomment>Closes the recovery end window</extracomment>
        <translation>OK</translation>
    </message>
    <message id="RVT_FOUR_RECOVER_END_TITLE">
        <source>Recovery complete</source>
        <extracomment>Title of the end window</extracomment>
        <translation>Recovery complete</translation>
    </message>
    <message id="RVT_FOUR_RECOVER_END_NODE">
        <source>The checked files were copied. Open the destination folder to see them:</source>
        <extracomment>Sentence above the folder link</extracomment>
        <translation>The checked files were copied. Open the destination folder to see them:</translation>
    </message>
    <message id="RVT_FOUR_RECOVER_END_FAILED_NODE">
        <source>The recovery has ended, but %llu files could not be copied. The others are in the destination folder:</source>
        <extracomment>%llu is the number of files that could not be copied</extracomment>
        <translation>The recovery has ended, but %llu files could not be copied. The others are in the destination folder:</translation>
    </message>
    <message id="RVT_FOUR_RECOVER_NOTEND_NODE">
        <source>The recovery was stopped after %llu files. They are in the destination folder:</source>
        <extracomment>%llu is the number of files copied</extracomment>
        <translation>The recovery was stopped after %llu files. They are in the destination folder:</translation>
    </message>
    <message id="SAVE_SCAN_RESULT">
        <source>Saving the scan result</source>
        <extracomment>Title of the progress window</extracomment>
        <translation>Saving the scan result</translation>
    </message>
    <message id="SAVE_RESULT_WAIT">
        <source>Please wait while the scan result is written.</source>
        <extracomment>Description of the progress window</extracomment>
        <translation>Please wait while the scan result is written.</translation>
    </message>
    <message id="LOAD_SCAN_RESULT">
        <source>Opening the scan result</source>
        <extracomment>Title of the progress window</extracomment>
        <translation>Opening the scan result</translation>
    </message>
    <message id="LOAD_RESULT_WAIT">
        <source>Please wait while the saved results are read.</source>
        <extracomment>Description of the progress window</extracomment>
        <translation>Please wait while the saved results are read.</translation>
    </message>
    <message id="SAVE_SAME_DISK_WARNING">
        <source>Warning!</source>
        <extracomment>Alert message</extracomment>
        <translation>Warning!</translation>
    </message>
    <message id="SAVE_SAME_DISK_PROMPT">
        <source>The chosen folder lies on the scanned device. Writing there can overwrite files that are still to be recovered.</source>
        <extracomment>Informative text</extracomment>
        <translation>The chosen folder lies on the scanned device. Writing there can overwrite files that are still to be recovered.</translation>
    </message>
    <message id="SAVE_SCAN_TIP">
        <source>Save the scan result before you leave? You can open it later without scanning again.</source>
        <extracomment>Informative text</extracomment>
        <translation>Save the scan result before you leave? You can open it later without scanning again.</translation>
    </message>
    <message id="SAVE_CANNOT_WRITE">
        <source>The scan result cannot be written there. Please choose another folder.</source>
        <extracomment>Informative text</extracomment>
        <translation>The scan result cannot be written there. Please choose another folder.</translation>
    </message>
    <message id="CHANG_DESTINATION">
        <source>Change destination</source>
        <extracomment>Button that picks another folder</extracomment>
        <translation>Change destination</translation>
    </message>
    <message id="SEARCH_MENU">
        <source>Search</source>
        <extracomment>Title of the search field's menu</extracomment>
        <translation>Search</translation>
    </message>
    <message id="RECENT_SEARCH">
        <source>Recent searches</source>
        <extracomment>Menu section</extracomment>
        <translation>Recent searches</translation>
    </message>
    <message id="NO_RECENT_SEARCH">
        <source>No recent searches</source>
        <extracomment>Shown when there are none</extracomment>
        <translation>No recent searches</translation>
    </message>
    <message id="RECENTS">
        <source>Recents</source>
        <extracomment>Placeholder of the recent searches</extracomment>
        <translation>Recents</translation>
    </message>
    <message id="CLEAR">
        <source>Clear recent searches</source>
        <extracomment>Menu item</extracomment>
        <translation>Clear recent searches</translation>
    </message>
    <message id="MENU_ABOUT_NAME">
        <source>About Quellsy</source>
        <extracomment>Application menu</extracomment>
        <translation>About Quellsy</translation>
    </message>
    <message id="MENU_CHECK_UPDTE">
        <source>Check for updates…</source>
        <extracomment>Application menu</extracomment>
        <translation>Check for updates…</translation>
    </message>
    <message id="MENU_PARTICIPATE">
        <source>Share anonymous usage statistics</source>
        <extracomment>Application menu</extracomment>
        <translation>Share anonymous usage statistics</translation>
    </message>
    <message id="MENU_HIDEN_SELF">
        <source>Hide Quellsy</source>
        <extracomment>Application menu</extracomment>
        <translation>Hide Quellsy</translation>
    </message>
    <message id="MENU_HIDEN_OTHER">
        <source>Hide others</source>
        <extracomment>Application menu</extracomment>
        <translation>Hide others</translation>
    </message>
    <message id="MENU_SHOW_ALL">
        <source>Show all</source>
        <extracomment>Application menu</extracomment>
        <translation>Show all</translation>
    </message>
    <message id="MENU_EXIT">
        <source>Quit Quellsy</source>
        <extracomment>Application menu</extracomment>
        <translation>Quit Quellsy</translation>
    </message>
    <message id="MENU_WINDOW">
        <source>Window</source>
        <extracomment>Window menu</extracomment>
        <translation>Window</translation>
    </message>
    <message id="MENU_MINIMIZE">
        <source>Minimize</source>
        <extracomment>Window menu</extracomment>
        <translation>Minimize</translation>
    </message>
    <message id="MENU_MAXIMIZE">
        <source>Zoom</source>
        <extracomment>Window menu</extracomment>
        <translation>Zoom</translation>
    </message>
    <message id="MENU_HELP">
        <source>Help</source>
        <extracomment>Help menu</extracomment>
        <translation>Help</translation>
    </message>
    <message id="MENU_ONLINE_HELP">
        <source>Online help</source>
        <extracomment>Help menu</extracomment>
        <translation>Online help</translation>
    </message>
    <message id="MENU_SUPPORT_CENTER">
        <source>Support centre</source>
        <extracomment>Help menu</extracomment>
        <translation>Support centre</translation>
    </message>
    <message id="MENU_CONTACT_US">
        <source>Contact us</source>
        <extracomment>Help menu</extracomment>
        <translation>Contact us</translation>
    </message>
    <message id="MENU_TRANSLATE">
        <source>Help translate Quellsy</source>
        <extracomment>Help menu</extracomment>
        <translation>Help translate Quellsy</translation>
    </message>
    <message id="UPDATE_CHECKING">
        <source>Checking for updates…</source>
        <extracomment>Update window, while the check runs</extracomment>
        <translation>Checking for updates…</translation>
    </message>
    <message id="UPDATE_NO_NETWORK_TITLE">
        <source>Could not check for updates</source>
        <extracomment>Update window, headline when the network cannot be used or the list of versions cannot be read</extracomment>
        <translation>Could not check for updates</translation>
    </message>
    <message id="UPDATE_NO_NETWORK_NODE">
        <source>Quellsy could not read the list of versions from the Internet. Check your network connection and try again later.</source>
        <extracomment>Update window, below the headline</extracomment>
        <translation>Quellsy could not read the list of versions from the Internet. Check your network connection and try again later.</translation>
    </message>
    <message id="UPDATE_NO_UPDATE_TITLE">
        <source>Quellsy is up to date</source>
        <extracomment>Update window, headline when no newer version exists</extracomment>
        <translation>Quellsy is up to date</translation>
    </message>
    <message id="UPDATE_NO_UPDATE_NODE">
        <source>You are using the newest version.</source>
        <extracomment>Update window, below the headline</extracomment>
        <translation>You are using the newest version.</translation>
    </message>
    <message id="UPDATE_RELEASED_TITLE">
        <source>Quellsy %@ has been released.</source>
        <extracomment>Update window, headline of a newer version; %@ is its name</extracomment>
        <translation>Quellsy %@ has been released.</translation>
    </message>
    <message id="UPDATE_NEW_FEATURES">
        <source>New features of Version %@:</source>
        <extracomment>Update window, above the list of what is new; %@ is the version's name</extracomment>
        <translation>New features of Version %@:</translation>
    </message>
    <message id="UPDATE_DOWNLOAD_BUTTON">
        <source>Download</source>
        <extracomment>Update window, opens the download page</extracomment>
        <translation>Download</translation>
    </message>
    <message id="UPDATE_CLOSE_BUTTON">
        <source>Close</source>
        <extracomment>Update window, closes it</extracomment>
        <translation>Close</translation>
    </message>
    <message id="ABOUT_VERSION">
        <source>Version %@</source>
        <extracomment>About window; %@ is the version's name and build</extracomment>
        <translation>Version %@</translation>
    </message>
    <message id="ABOUT_DESCRIPTION">
        <source>Finds deleted and lost files on disks, memory cards and disk images, and copies them to safety.</source>
        <extracomment>About window, what the program does</extracomment>
        <translation>Finds deleted and lost files on disks, memory cards and disk images, and copies them to safety.</translation>
    </message>
    <message id="About us">
        <source>About us</source>
        <extracomment>Link in the about window</extracomment>
        <translation>About us</translation>
    </message>
    <message id="Please wait...">
        <source>Please wait...</source>
        <extracomment>Found-file label before the first count</extracomment>
        <translation>Please wait...</translation>
    </message>
    <message id="Prepare to scan your drive">
        <source>Preparing to scan your drive</source>
        <extracomment>Remaining-time label before the scan starts</extracomment>
        <translation>Preparing to scan your drive</translation>
    </message>
    <message id="RVT_TWO_PAGE_TITLE">
        <source>How were your files lost?</source>
        <extracomment>Heading of the scan-mode page</extracomment>
        <translation>How were your files lost?</translation>
    </message>
    <message id="RVT_TWO_DELETED_TITLE">
        <source>Deleted files</source>
        <extracomment>Scan-mode tile: files deleted by mistake</extracomment>
        <translation>Deleted files</translation>
    </message>
    <message id="RVT_TWO_DELETED_NOTE">
        <source>Files deleted by mistake or emptied from the trash. A quick scan of what the file system still records.</source>
        <extracomment>What the deleted-files tile does</extracomment>
        <translation>Files deleted by mistake or emptied from the trash. A quick scan of what the file system still records.</translation>
    </message>
    <message id="RVT_TWO_FORMAT_TITLE">
        <source>Formatted drive</source>
        <extracomment>Scan-mode tile: a formatted drive or card</extracomment>
        <translation>Formatted drive</translation>
    </message>
    <message id="RVT_TWO_FORMAT_NOTE">
        <source>A drive or memory card that was formatted or asks to be formatted. A quick scan, too.</source>
        <extracomment>What the formatted-drive tile does</extracomment>
        <translation>A drive or memory card that was formatted or asks to be formatted. A quick scan, too.</translation>
    </message>
    <message id="RVT_TWO_COMPLETE_TITLE">
        <source>Complete recovery</source>
        <extracomment>Scan-mode tile: the deep scan</extracomment>
        <translation>Complete recovery</translation>
    </message>
    <message id="RVT_TWO_COMPLETE_NOTE">
        <source>Reads every block of the device to find lost partitions and files by their content. Takes longer.</source>
        <extracomment>What the complete-recovery tile does</extracomment>
        <translation>Reads every block of the device to find lost partitions and files by their content. Takes longer.</translation>
    </message>
    <message id="RVT_THREE_PAGE_TITLE">
        <source>Choose the drive to scan</source>
        <extracomment>Heading of the device page</extracomment>
        <translation>Choose the drive to scan</translation>
    </message>
    <message id="RVT_THREE_PAGE_NOTE">
        <source>Pick a whole drive or one of its volumes, then press Scan. Double-click a row to start at once.</source>
        <extracomment>Hint under the device page's heading</extracomment>
        <translation>Pick a whole drive or one of its volumes, then press Scan. Double-click a row to start at once.</translation>
    </message>
    <message id="RVT_THREE_EMPTY_TITLE">
        <source>No drive to scan yet</source>
        <extracomment>Shown instead of the list when no drive is listed</extracomment>
        <translation>No drive to scan yet</translation>
    </message>
    <message id="RVT_THREE_EMPTY_NOTE">
        <source>Connect a USB drive or memory card, or attach a disk image file (losetup -P or udisksctl loop-setup). The list updates by itself.</source>
        <extracomment>What to do when no drive is listed</extracomment>
        <translation>Connect a USB drive or memory card, or attach a disk image file (losetup -P or udisksctl loop-setup). The list updates by itself.</translation>
    </message>
    <message id="RVT_THREE_OPEN_DMG_BUTTON">
        <source>Open a DMG disk image…</source>
        <extracomment>Link on the device page that opens a DMG file for scanning</extracomment>
        <translation>Open a DMG disk image…</translation>
    </message>
    <message id="RVT_THREE_OPEN_DMG_FAILED_TITLE">
        <source>The disk image could not be opened</source>
        <extracomment>Alert when a DMG file cannot be read</extracomment>
        <translation>The disk image could not be opened</translation>
    </message>
    <message id="RVT_THREE_OPEN_DMG_FAILED_NOTE">
        <source>Quellsy reads DMG images that are neither encrypted nor compressed, such as read-write and uncompressed images. Convert a compressed image to an uncompressed one first, and check that the file is complete.</source>
        <extracomment>Informative text of the alert when a DMG file cannot be read</extracomment>
        <translation>Quellsy reads DMG images that are neither encrypted nor compressed, such as read-write and uncompressed images. Convert a compressed image to an uncompressed one first, and check that the file is complete.</translation>
    </message>
    <message id="RVT_THREE_DMG_PANEL_TITLE">
        <source>Open a disk image</source>
        <extracomment>Title of the file chooser for DMG images</extracomment>
        <translation>Open a disk image</translation>
    </message>
    <message id="RVT_THREE_DMG_PANEL_FILTER">
        <source>DMG disk images</source>
        <extracomment>File chooser filter; the patterns follow it</extracomment>
        <translation>DMG disk images</translation>
    </message>
    <message id="APFS_SCAN_NOTICE_TITLE">
        <source>This drive cannot be opened for scanning</source>
        <extracomment>Notice shown instead of a scan</extracomment>
        <translation>This drive cannot be opened for scanning</translation>
    </message>
    <message id="APFS_SCAN_NOTICE_TEXT">
        <source>Quellsy could not read the chosen drive or volume. Check that it is still connected and that Quellsy runs with administrator rights, then choose it again. Encrypted volumes cannot be scanned.</source>
        <extracomment>What the cannot-open notice explains</extracomment>
        <translation>Quellsy could not read the chosen drive or volume. Check that it is still connected and that Quellsy runs with administrator rights, then choose it again. Encrypted volumes cannot be scanned.</translation>
    </message>
    <message id="APFS_SCAN_NOTICE_LINK">
        <source>How to make a drive readable</source>
        <extracomment>Link of the cannot-open notice to the help page</extracomment>
        <translation>How to make a drive readable</translation>
    </message>
    <message id="Back home">
        <source>Back home</source>
        <extracomment>Tool tip of the results window's home button</extracomment>
        <translation>Back home</translation>
    </message>
    <message id="Pause">
        <source>Pause</source>
        <extracomment>Tool tip of the button that pauses the scan</extracomment>
        <translation>Pause</translation>
    </message>
    <message id="Continue">
        <source>Continue</source>
        <extracomment>Tool tip of the button that resumes a paused scan</extracomment>
        <translation>Continue</translation>
    </message>
    <message id="Stop">
        <source>Stop</source>
        <extracomment>Tool tip of the button that stops the scan</extracomment>
        <translation>Stop</translation>
    </message>
    <message id="deep scan">
        <source>Search the whole device block by block</source>
        <extracomment>Tool tip of the deep-scan button</extracomment>
        <translation>Search the whole device block by block</translation>
    </message>
    <message id="RVT_FOUR_PROGRESS">
        <source>Scan progress</source>
        <extracomment>Accessible name of the results window's progress bar</extracomment>
        <translation>Scan progress</translation>
    </message>
    <message id="RVT_FOUR_VIEW_SWITCH">
        <source>View</source>
        <extracomment>Accessible name of the switch between list, grid and cover flow</extracomment>
        <translation>View</translation>
    </message>
    <message id="RVT_FOUR_VIEW_LIST">
        <source>List</source>
        <extracomment>View switch: found files as a list</extracomment>
        <translation>List</translation>
    </message>
    <message id="RVT_FOUR_VIEW_GRID">
        <source>Thumbnails</source>
        <extracomment>View switch: found files as a grid of thumbnails</extracomment>
        <translation>Thumbnails</translation>
    </message>
    <message id="RVT_FOUR_VIEW_COVERFLOW">
        <source>Cover flow</source>
        <extracomment>View switch: found files as a cover flow</extracomment>
        <translation>Cover flow</translation>
    </message>
    <message id="RVT_FOUR_SCAN_NOT_STARTED_TITLE">
        <source>The scan could not start</source>
        <extracomment>Alert when the scan of the chosen device is refused</extracomment>
        <translation>The scan could not start</translation>
    </message>
    <message id="RVT_FOUR_SCAN_NOT_STARTED_NODE">
        <source>The device may be busy with another task or no longer connected. Go back home, check the device and choose it again.</source>
        <extracomment>Informative text</extracomment>
        <translation>The device may be busy with another task or no longer connected. Go back home, check the device and choose it again.</translation>
    </message>
    <message id="RVT_FOUR_SCAN_DEVICE_GONE_TITLE">
        <source>The device stopped answering during the scan</source>
        <extracomment>Alert at the end of a scan whose device was removed or shrank meanwhile</extracomment>
        <translation>The device stopped answering during the scan</translation>
    </message>
    <message id="RVT_FOUR_SCAN_DEVICE_GONE_NODE">
        <source>%@. The files listed were found before it stopped. Connect the device again and scan it anew to look for the rest.</source>
        <extracomment>Informative text; %@ is what the engine says happened</extracomment>
        <translation>%@. The files listed were found before it stopped. Connect the device again and scan it anew to look for the rest.</translation>
    </message>
    <message id="SAVE_SCAN_SAVE_BUTTON">
        <source>Save…</source>
        <extracomment>Save question: saves the scan result first</extracomment>
        <translation>Save…</translation>
    </message>
    <message id="SAVE_SCAN_CANCEL_BUTTON">
        <source>Cancel</source>
        <extracomment>Save question: stays in the results window</extracomment>
        <translation>Cancel</translation>
    </message>
    <message id="SAVE_SCAN_DONT_SAVE_BUTTON">
        <source>Don't Save</source>
        <extracomment>Save question: leaves without saving</extracomment>
        <translation>Don't Save</translation>
    </message>
    <message id="RVT_FOUR_DEVICE_REMOVED_TITLE">
        <source>The scanned device was removed</source>
        <extracomment>Alert when the device being scanned goes away</extracomment>
        <translation>The scanned device was removed</translation>
    </message>
    <message id="RVT_FOUR_DEVICE_REMOVED_NODE">
        <source>The scan has stopped. Connect the device again and start a new scan from the home window.</source>
        <extracomment>Informative text</extracomment>
        <translation>The scan has stopped. Connect the device again and start a new scan from the home window.</translation>
    </message>
</context>
</TS>
