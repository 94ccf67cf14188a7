#include "core/print/PdfWriter.h"

#include "core/print/SMSPrinter.h"

int PdfWriter::write(AbsSMSDataSource& source, QIODevice& device, const Progress& progress)
{
    SMSPrinter printer(&source);
    return printer.printPdf(&device, progress);
}
