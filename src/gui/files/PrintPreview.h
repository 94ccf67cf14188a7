#pragma once

class AbsSMSDataSource;

// "Print": lays the messages out on a worker behind a progress dialog, then opens the print
// preview (which renders to PDF when no printer is installed). The caller owns the source.
void printPreview(AbsSMSDataSource* source);
