#pragma once

#include <QString>
#include <memory>

class PagesWriter;
class QCoreApplication;

// The page drawing (a PDF export) in its library of its own, so that every other command runs on
// Qt Core and Network alone and Qt Gui is loaded only for pages. Looked for in the program's
// private folders; the library, once loaded, stays for the process's life (its writers' code is
// in it).
class PagesLibrary
{
public:
    // The application for drawing pages; a plain one (and error() says why) when the library
    // cannot be loaded: the export then fails with that reason.
    static std::unique_ptr<QCoreApplication> createApplication(int& argc, char** argv);
    // The PDF writer; null when the application was not made by the library.
    static std::unique_ptr<PagesWriter> pdfWriter();
    static QString error();
};
