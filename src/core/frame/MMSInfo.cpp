#include "core/frame/MMSInfo.h"

QString attributeValue(const MMSAttributes& attributes, QAnyStringView name)
{
    for (const auto& attribute : attributes) {
        if (QAnyStringView::equal(attribute.first, name))
            return attribute.second.isNull() ? QString(QStringLiteral("")) : attribute.second;
    }
    return QString();
}
