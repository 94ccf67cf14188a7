<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>QObject</name>
    <message>
        <source>IDS_PHONE_STOPPED_ANSWERING_%1</source>
        <translation>Gave up: the phone stopped answering for %1 s.</translation>
    </message>
    <message>
        <source>IDS_ERROR_OCCUR_DESC_%1</source>
        <translation>Error occurred. Please contact support@tallowbrook.org for help. Error info:
%1</translation>
    </message>
    <message>
        <source>IDS_TITLE_IMPORT_SMS_FROM_ANDROID</source>
        <translation>Backing up SMS now</translation>
    </message>
    <message>
        <source>IDS_TITLE_EXPORT_SMS_TO_ANDROID</source>
        <translation>Restoring SMS to Android now</translation>
    </message>
    <message>
        <source>IDS_TITLE_EXPORT_SMS</source>
        <translation>Exporting SMS now</translation>
    </message>
    <message>
        <source>IDS_TITLE_LOADING_CSV</source>
        <translation>Loading CSV file now.</translation>
    </message>
    <message>
        <source>IDS_TITLE_LOADING_XML</source>
        <translation>Loading XML file now.</translation>
    </message>
    <message>
        <source>IDS_PLEASE_SEL_OR_CREATE_ACCOUNT</source>
        <translation>Please select or create Account.</translation>
    </message>
    <message>
        <source>IDS_ASK_CREATE_A_DEFAULT_ACCOUNT_WHEN_NO_ACCOUNTS</source>
        <translation>No account existing. Want to create default Account?</translation>
    </message>
    <message>
        <source>IDS_INVALID_ACCOUNT_NAME</source>
        <translation>Invalid account(can't contain \ / : * ? &quot; &lt; &gt; | etc).</translation>
    </message>
    <message>
        <source>IDS_CONFIRM_CREATE_ACCOUNT_%1</source>
        <translation>Confirm to create account %1?</translation>
    </message>
    <message>
        <source>IDS_SEL_EXIST_ACCOUNT</source>
        <translation>Please select existing account to delete.</translation>
    </message>
    <message>
        <source>IDS_CONFIRM_DEL_THIS_ACCOUNT</source>
        <translation>Confirm to delete this account?</translation>
    </message>
    <message>
        <source>IDS_DEL_ACCOUNT_SUC</source>
        <translation>Successfully delete account.</translation>
    </message>
    <message>
        <source>IDS_USB_CONNECTION_CAN_NOT_FIND_ANY_DEVICES</source>
        <translation>Found no device connected. Please check your device USB driver.</translation>
    </message>
    <message>
        <source>IDS_PLEASE_SELECT_CONNECT_DEVICE</source>
        <translation>Please select device to connect.</translation>
    </message>
    <message>
        <source>IDS_INVALID_WIFI_ADDR_WHEN_CONNECT_TO_DEVICE</source>
        <translation>Invalid WiFi IP.</translation>
    </message>
    <message>
        <source>IDS_PLEASE_SELECT_CONNECT_METHOD</source>
        <translation>Please select connecting method.</translation>
    </message>
    <message>
        <source>IDS_CAN_NOT_MAKE_CONNECTION_START_SYNC_FIRST_ERR_%1</source>
        <translation>Fail to connect device. Please start ZO Ruro Vedarov to retry.%1</translation>
    </message>
    <message>
        <source>IDS_CONNECT_SUC_NEED_SYNC</source>
        <translation>Connect successfully. Want to sync SMS to computer now?</translation>
    </message>
    <message>
        <source>IDS_RESTORE_SUC_%1</source>
        <translation>Successfully import %1 SMS.</translation>
    </message>
    <message>
        <source>IDS_EXPORT_SMS_TO_ANDROID_SUC_%1</source>
        <translation>Successfully restore %1 SMS to Android.</translation>
    </message>
    <message>
        <source>IDS_SELECT_FILE_TO_EXPORT</source>
        <translation>Select file to export</translation>
    </message>
    <message>
        <source>IDS_EXPORT_SMS_SUC_%1</source>
        <translation>Successfully export %1 SMS.</translation>
    </message>
    <message>
        <source>IDS_UNKNOWN_BACKUP_FORMAT</source>
        <translation>Unknown exporting format.</translation>
    </message>
    <message>
        <source>IDS_IMPORT_CSV_PREVIEW_SUC_%1</source>
        <translation>Successfully load %1 SMS.</translation>
    </message>
    <message>
        <source>IDS_IMPORT_CSV_PREVIEW_SUC_%1_INVALID_%2</source>
        <translation>Successfully load %1 SMS. Found %2 invalid sms.</translation>
    </message>
    <message>
        <source>IDS_INVALID_DATE_FORMAT</source>
        <translation>Incorrect date format in CSV data.Correct format is (yyyy-MM-dd hh:mm:ss).</translation>
    </message>
    <message>
        <source>IDS_TITLS_IMPORTING_SMS</source>
        <translation>Importing SMS now</translation>
    </message>
    <message>
        <source>IDS_FORM_TITLE_%1_PREVIEW_SMS</source>
        <translation>%1 - Preview CSV File</translation>
    </message>
    <message>
        <source>IDS_TITLE_RESTORE_SMS_TO_ANDROID</source>
        <translation>Restoring SMS to Android now</translation>
    </message>
    <message>
        <source>IDS_IMPORT_SELECTION_TO_LOCAL</source>
        <translation>Import selected SMS to Local Database</translation>
    </message>
    <message>
        <source>IDS_RESTORE_SELECTION_TO_ANDROID</source>
        <translation>Restore selected SMS to Android</translation>
    </message>
    <message>
        <source>IDS_SYNC_FROM_OTHER_CSV_NOT_MATCH_ANY_FORMAT</source>
        <translation>The CSV file format did not match. Please send the CSV file to support@tallowbrook.org for converting.</translation>
    </message>
    <message>
        <source>IDS_CAN_NOT_FIND_ANY_CONTACTS</source>
        <translation>Found no recepient.</translation>
    </message>
    <message>
        <source>IDS_CONFIRM_DEL_THREAD</source>
        <translation>Confirm to delete this thread?</translation>
    </message>
    <message>
        <source>IDS_SUC_DELETE_SMS_THREAD</source>
        <translation>Successfully delete thread.</translation>
    </message>
    <message>
        <source>IDS_ERROR_OCCURRED_WHEN_LISTENING_SMS_%1</source>
        <translation>Error occurred during monitoring message receiving. %1</translation>
    </message>
    <message>
        <source>IDS_ASK_RESTART_SYNCLISTENSMSTHREAD</source>
        <translation>Want to restart monitoring message receiving?</translation>
    </message>
    <message>
        <source>IDS_SELECT_CSV_FILE_TO_IMPORT</source>
        <translation>Select CSV file to import.</translation>
    </message>
    <message>
        <source>IDS_CAN_NOT_FIND_ANY_SMS</source>
        <translation>Found no SMS.</translation>
    </message>
    <message>
        <source>IDS_SEND_SMS_NO_CONTENT</source>
        <translation>Your message is blank..Please compose it first.</translation>
    </message>
    <message>
        <source>IDS_SEND_SMS_SUC</source>
        <translation>Message sent successfully.</translation>
    </message>
    <message>
        <source>IDS_SEND_SMS_NO_RECIPIENTS</source>
        <translation>Please enter recepient.</translation>
    </message>
    <message>
        <source>IDS_SEND_SMS_NO_SMS_CONTENT</source>
        <translation>Your message is blank..Please compose it first.</translation>
    </message>
    <message>
        <source>IDS_PRINT_SMS</source>
        <translation>Print SMS</translation>
    </message>
</context>
<context>
    <name>AccountForm</name>
    <message>
        <source>IDS_ERROR_OCCUR_DESC_%1</source>
        <translation>Error occurred. Please contact support@tallowbrook.org for help. Error info:
%1</translation>
    </message>
    <message>
        <source>IDS_PLEASE_SEL_OR_CREATE_ACCOUNT</source>
        <translation>Please select or create Account.</translation>
    </message>
    <message>
        <source>IDS_ASK_CREATE_A_DEFAULT_ACCOUNT_WHEN_NO_ACCOUNTS</source>
        <translation>No account existing. Want to create default Account?</translation>
    </message>
    <message>
        <source>IDS_INVALID_ACCOUNT_NAME</source>
        <translation>Invalid account(can't contain \ / : * ? &quot; &lt; &gt; | etc).</translation>
    </message>
    <message>
        <source>IDS_CONFIRM_CREATE_ACCOUNT_%1</source>
        <translation>Confirm to create account %1?</translation>
    </message>
    <message>
        <source>IDS_SEL_EXIST_ACCOUNT</source>
        <translation>Please select existing account to delete.</translation>
    </message>
    <message>
        <source>IDS_CONFIRM_DEL_THIS_ACCOUNT</source>
        <translation>Confirm to delete this account?</translation>
    </message>
    <message>
        <source>IDS_DEL_ACCOUNT_SUC</source>
        <translation>Successfully delete account.</translation>
    </message>
</context>
<context>
    <name>Accounts</name>
    <message>
        <source>IDS_ACCOUNT_DELETE_IN_USE</source>
        <translation>The account is open in another program (the window or the command line) and cannot be deleted. Close it there first.</translation>
    </message>
</context>
<context>
    <name>CSVImporterPlugin</name>
    <message>
        <source>IDS_UNKNOWN_IMPORTER_VERSION_%1_%2</source>
        <translation>The importer plug-in %1 has version %2, which this program does not know.</translation>
    </message>
    <message>
        <source>IDS_SYNC_FROM_OTHER_CSV_NOT_MATCH_ANY_FORMAT</source>
        <translation>The CSV file format did not match. Please send the CSV file to support@tallowbrook.org for converting.</translation>
    </message>
</context>
<context>
    <name>CSVPreviewForm</name>
    <message>
        <source>全部导入到本地数据库</source>
        <translation>Import all SMS to Local Database.</translation>
    </message>
    <message>
        <source>全部还原到手机</source>
        <translation>Restore all SMS to Android.</translation>
    </message>
    <message>
        <source>IDS_FORM_TITLE_%1_PREVIEW_SMS</source>
        <translation>%1 - Preview CSV File</translation>
    </message>
    <message>
        <source>IDS_TITLS_IMPORTING_SMS</source>
        <translation>Importing SMS now</translation>
    </message>
    <message>
        <source>IDS_TITLE_RESTORE_SMS_TO_ANDROID</source>
        <translation>Restoring SMS to Android now</translation>
    </message>
    <message>
        <source>IDS_IMPORT_SELECTION_TO_LOCAL</source>
        <translation>Import selected SMS to Local Database</translation>
    </message>
    <message>
        <source>IDS_RESTORE_SELECTION_TO_ANDROID</source>
        <translation>Restore selected SMS to Android</translation>
    </message>
</context>
<context>
    <name>ConnectionForm</name>
    <message>
        <source>IDS_ERROR_OCCUR_DESC_%1</source>
        <translation>Error occurred. Please contact support@tallowbrook.org for help. Error info:
%1</translation>
    </message>
    <message>
        <source>IDS_USB_CONNECTION_CAN_NOT_FIND_ANY_DEVICES</source>
        <translation>Found no device connected. Please check your device USB driver.</translation>
    </message>
    <message>
        <source>IDS_PLEASE_SELECT_CONNECT_DEVICE</source>
        <translation>Please select device to connect.</translation>
    </message>
    <message>
        <source>IDS_INVALID_WIFI_ADDR_WHEN_CONNECT_TO_DEVICE</source>
        <translation>Invalid WiFi IP.</translation>
    </message>
    <message>
        <source>IDS_PLEASE_SELECT_CONNECT_METHOD</source>
        <translation>Please select connecting method.</translation>
    </message>
    <message>
        <source>IDS_CAN_NOT_MAKE_CONNECTION_START_SYNC_FIRST_ERR_%1</source>
        <translation>Fail to connect device. Please start ZO Ruro Vedarov to retry.%1</translation>
    </message>
    <message>
        <source>IDS_CONNECT_SUC_NEED_SYNC</source>
        <translation>Connect successfully. Want to sync SMS to computer now?</translation>
    </message>
</context>
<context>
    <name>ConversationForm</name>
    <message>
        <source>IDS_SEND_SMS_NO_CONTENT</source>
        <translation>Your message is blank..Please compose it first.</translation>
    </message>
    <message>
        <source>IDS_SEND_SMS_TO_GROUP</source>
        <translation>This is a group conversation, and the phone sends SMS to one number at a time: write to each member with a new message.</translation>
    </message>
    <message>
        <source>IDS_SEND_SMS_SUC</source>
        <translation>Message sent successfully.</translation>
    </message>
</context>
<context>
    <name>DraftSMSForm</name>
    <message>
        <source>IDS_SEND_SMS_NO_RECIPIENTS</source>
        <translation>Please enter recepient.</translation>
    </message>
    <message>
        <source>IDS_SEND_SMS_NO_SMS_CONTENT</source>
        <translation>Your message is blank..Please compose it first.</translation>
    </message>
    <message>
        <source>IDS_SEND_SMS_SUC</source>
        <translation>Message sent successfully.</translation>
    </message>
    <message>
        <source>IDS_SEND_SMS_SENT_TO_%1_NOT_SENT_TO_%2</source>
        <translation>The message was sent to: %1
It was not sent to: %2
Press Send again to send it to those only.</translation>
    </message>
</context>
<context>
    <name>ExportJob</name>
    <message>
        <source>IDS_SELECT_FILE_TO_EXPORT</source>
        <translation>Select file to export</translation>
    </message>
    <message>
        <source>IDS_TITLE_EXPORT_SMS</source>
        <translation>Exporting SMS now</translation>
    </message>
    <message>
        <source>IDS_EXPORT_SMS_SUC_%1</source>
        <translation>Successfully export %1 SMS.</translation>
    </message>
    <message>
        <source>IDS_EXPORT_SMS_SUC_%1_MMS_%2</source>
        <translation>Successfully export %1 SMS and %2 MMS.</translation>
    </message>
    <message>
        <source>IDS_UNKNOWN_BACKUP_FORMAT</source>
        <translation>Unknown exporting format.</translation>
    </message>
</context>
<context>
    <name>CSVPreviewJob</name>
    <message>
        <source>IDS_IMPORT_CSV_PREVIEW_SUC_%1</source>
        <translation>Successfully load %1 SMS.</translation>
    </message>
    <message>
        <source>IDS_IMPORT_CSV_PREVIEW_SUC_%1_INVALID_%2</source>
        <translation>Successfully load %1 SMS. Found %2 invalid sms.</translation>
    </message>
</context>
<context>
    <name>CSVBackupReader</name>
    <message>
        <source>IDS_INVALID_QUILLMARTEN_SMS_CSV_FORMAT</source>
        <translation>The format of your imported CSV file did not match that of Quillmarten.</translation>
    </message>
    <message>
        <source>IDS_INVALID_DATE_FORMAT</source>
        <translation>Incorrect date format in CSV data.Correct format is (yyyy-MM-dd hh:mm:ss).</translation>
    </message>
</context>
<context>
    <name>ImportJob</name>
    <message>
        <source>IDS_INVALID_DATE_FORMAT</source>
        <translation>Incorrect date format in CSV data.Correct format is (yyyy-MM-dd hh:mm:ss).</translation>
    </message>
    <message>
        <source>IDS_RESTORE_SUC_%1</source>
        <translation>Successfully import %1 SMS.</translation>
    </message>
</context>
<context>
    <name>XMLImportJob</name>
    <message>
        <source>IDS_RESTORE_SUC_%1</source>
        <translation>Successfully import %1 SMS.</translation>
    </message>
    <message>
        <source>IDS_XML_IMPORTED_MMS_%1</source>
        <translation>Imported %1 MMS.</translation>
    </message>
</context>
<context>
    <name>XMLPreviewJob</name>
    <message>
        <source>IDS_IMPORT_CSV_PREVIEW_SUC_%1</source>
        <translation>Successfully load %1 SMS.</translation>
    </message>
</context>
<context>
    <name>SmsBrowser</name>
    <message>
        <source>IDS_SAVE_ATTACHMENT</source>
        <translation>Save attachment</translation>
    </message>
    <message>
        <source>IDS_SAVING_ATTACHMENT</source>
        <translation>Saving the attachment...</translation>
    </message>
    <message>
        <source>IDS_OPENING_PICTURE</source>
        <translation>Opening the picture...</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>IDS_ERROR_OCCUR_DESC_%1</source>
        <translation>Error occurred. Please contact support@tallowbrook.org for help. Error info:
%1</translation>
    </message>
    <message>
        <source>IDS_CAN_NOT_FIND_ANY_CONTACTS</source>
        <translation>Found no recepient.</translation>
    </message>
    <message>
        <source>IDS_TITLE_LOADING_CSV</source>
        <translation>Loading CSV file now.</translation>
    </message>
    <message>
        <source>IDS_SELECT_CSV_FILE_TO_IMPORT</source>
        <translation>Select CSV file to import.</translation>
    </message>
    <message>
        <source>IDS_SYNC_FROM_OTHER_CSV_NOT_MATCH_ANY_FORMAT</source>
        <translation>The CSV file format did not match. Please send the CSV file to support@tallowbrook.org for converting.</translation>
    </message>
</context>
<context>
    <name>MainActions</name>
    <message>
        <source>IDS_CONFIRM_DEL_THREAD</source>
        <translation>Confirm to delete this thread?</translation>
    </message>
    <message>
        <source>IDS_SUC_DELETE_SMS_THREAD</source>
        <translation>Successfully delete thread.</translation>
    </message>
    <message>
        <source>IDS_TITLE_DELETE_SMS_THREAD</source>
        <translation>Deleting the thread</translation>
    </message>
    <message>
        <source>IDS_TITLE_IMPORT_SMS_FROM_ANDROID</source>
        <translation>Backing up SMS now</translation>
    </message>
    <message>
        <source>IDS_TITLE_EXPORT_SMS_TO_ANDROID</source>
        <translation>Restoring SMS to Android now</translation>
    </message>
</context>
<context>
    <name>ListenerControl</name>
    <message>
        <source>IDS_ERROR_OCCURRED_WHEN_LISTENING_SMS_%1</source>
        <translation>Error occurred during monitoring message receiving. %1</translation>
    </message>
    <message>
        <source>IDS_ASK_RESTART_SYNCLISTENSMSTHREAD</source>
        <translation>Want to restart monitoring message receiving?</translation>
    </message>
</context>
<context>
    <name>ProgressForm</name>
    <message>
        <source>IDS_ERROR_OCCUR_DESC_%1</source>
        <translation>Error occurred. Please contact support@tallowbrook.org for help. Error info:
%1</translation>
    </message>
</context>
<context>
    <name>SMSPrinter</name>
    <message>
        <source>IDS_PRINT_SMS</source>
        <translation>Print SMS</translation>
    </message>
</context>
<context>
    <name>SMSSearchForm</name>
    <message>
        <source>IDS_SEARCHING</source>
        <translation>Searching...</translation>
    </message>
    <message>
        <source>IDS_CAN_NOT_FIND_ANY_SMS</source>
        <translation>Found no SMS.</translation>
    </message>
    <message>
        <source>IDS_SEARCH_TOTAL_%1_SMS_%2_MMS</source>
        <translation>Total:%1 SMS and %2 MMS</translation>
    </message>
</context>
<context>
    <name>Sqlite3DB</name>
    <message>
        <source>IDS_ACCOUNT_IN_USE</source>
        <translation>The account is in use by another program (the window or the command line). Try again when it has finished.</translation>
    </message>
</context>
<context>
    <name>PhoneRestoreJob</name>
    <message>
        <source>IDS_EXPORT_SMS_TO_ANDROID_SUC_%1</source>
        <translation>Successfully restore %1 SMS to Android.</translation>
    </message>
    <message>
        <source>IDS_RESTORE_MMS_LEFT_OUT_%1</source>
        <translation>Left out %1 MMS: the phone takes SMS only.</translation>
    </message>
</context>
<context>
    <name>PhoneBackupJob</name>
    <message>
        <source>IDS_RESTORE_SUC_%1</source>
        <translation>Successfully import %1 SMS.</translation>
    </message>
</context>
<context>
    <name>BodyLimit</name>
    <message>
        <source>IDS_SKIPPED_BODY_OVER_LIMIT_%1</source>
        <translation>Skipped %1 SMS whose text is larger than 1 MiB.</translation>
    </message>
</context>
<context>
    <name>XMLBackupReader</name>
    <message>
        <source>IDS_XML_ERROR_AT_%1_%2_%3</source>
        <translation>Error in the XML file at line %1, column %2: %3</translation>
    </message>
    <message>
        <source>IDS_XML_NOT_SMS_BACKUP_%1</source>
        <translation>This XML file is not an SMS backup: its root element is &lt;%1&gt;, not &lt;smses&gt;.</translation>
    </message>
    <message>
        <source>IDS_XML_DOCTYPE_NOT_ALLOWED</source>
        <translation>An SMS backup has no document type declaration; its entities are not read.</translation>
    </message>
    <message>
        <source>IDS_XML_REPLACED_%1_IN_%2</source>
        <translation>Replaced %1 broken characters (halves of UTF-16 surrogate pairs) with U+FFFD in %2 messages.</translation>
    </message>
    <message>
        <source>IDS_XML_RUN_TOO_LONG_%1</source>
        <translation>An element or text longer than %1 MiB is not read.</translation>
    </message>
    <message>
        <source>IDS_XML_SKIPPED_OTHER_TYPES_%1</source>
        <translation>Skipped %1 SMS that were neither received nor sent (drafts, outbox, failed or queued).</translation>
    </message>
    <message>
        <source>IDS_XML_SKIPPED_MMS_%1</source>
        <translation>Skipped %1 MMS (multimedia messages are not previewed).</translation>
    </message>
    <message>
        <source>IDS_XML_SKIPPED_UNUSABLE_MMS_%1</source>
        <translation>Skipped %1 MMS that were neither received nor sent or whose date is not a number.</translation>
    </message>
    <message>
        <source>IDS_XML_MMS_PARTS_LEFT_OUT_%1_%2</source>
        <translation>Kept %1 MMS without %2 attachments whose data was broken or too large.</translation>
    </message>
    <message>
        <source>IDS_XML_SKIPPED_INVALID_DATE_%1</source>
        <translation>Skipped %1 SMS whose date is not a number.</translation>
    </message>
</context>
</TS>
