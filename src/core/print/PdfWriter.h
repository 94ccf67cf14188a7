#pragma once

#include "core/format/PagesWriter.h"

// Messages as a PDF document of A4 pages laid out as for print (SMSPrinter).
class PdfWriter : public PagesWriter
{
public:
    int write(AbsSMSDataSource& source, QIODevice& device, const Progress& progress) override;
};
