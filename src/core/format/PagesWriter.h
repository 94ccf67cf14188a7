#pragma once

#include <functional>

class AbsSMSDataSource;
class QIODevice;

// A format drawn as pages (PDF) rather than written as text. Drawing needs Qt Gui, which the
// formats here do not link: the print library provides the writer, and only a caller that
// writes pages links it.
class PagesWriter
{
public:
    using Progress = std::function<void(int done)>;

    virtual ~PagesWriter() = default;
    // Draws every message of source on device; returns how many were drawn. Throws
    // std::runtime_error when the device cannot be written, Cancellation::Cancelled on cancel.
    virtual int write(AbsSMSDataSource& source, QIODevice& device, const Progress& progress) = 0;
};
