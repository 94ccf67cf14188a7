// Page drawing for a program that links no Qt Gui (the command line): loaded only when it draws
// pages, it makes the application that drawing needs and the PDF writer.

#include <QGuiApplication>

#include "core/print/PdfWriter.h"

extern "C" {

Q_DECL_EXPORT QCoreApplication* tbPagesApplication(int* argc, char** argv)
{
    return new QGuiApplication(*argc, argv);
}

Q_DECL_EXPORT PagesWriter* tbPdfWriter()
{
    return new PdfWriter;
}
}
