#include "core/format/HtmlBackupSMS.h"

#include "core/frame/EscapeHtml.h"
#include "core/store/StoreSMS.h"

void HtmlBackupSMS::writeHeader(QIODevice* device, int)
{
    writeUnit(device,
              QStringLiteral(
                  "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
                  "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\r\n"
                  "<html xmlns=\"http://www.w3.org/1999/xhtml\">"
                  "<head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\" "
                  "/><title>Quillmarten SMS Backup</title></head><body style=\"width:595\">"));
}

void HtmlBackupSMS::writeSMS(QIODevice* device, const SMSInfo& sms)
{
    const QString colour = sms.isSend ? QStringLiteral("#008040") : QStringLiteral("#0000FF");
    const QString direction = sms.isSend ? QStringLiteral("To") : QStringLiteral("From");
    QString unit = QStringLiteral("<div style=\"color:%1\">").arg(colour);
    unit += QStringLiteral("<div>Time:%1</div>").arg(dateText(sms.date));
    unit +=
        QStringLiteral("<div>%1:%2</div>").arg(direction, escapeMarkup(contactDisplayName(sms)));
    unit += QStringLiteral("</div>");
    unit += QStringLiteral("<div>%1</div><br/>").arg(escapeMarkup(sms.body));
    writeUnit(device, unit);
}
