#pragma once

#include <QLoggingCategory>

// "qzm.transfer": every telegram and reply as hex, and why a port could
// not be opened. Off by default; enable with
// QT_LOGGING_RULES="qzm.transfer=true".
Q_DECLARE_LOGGING_CATEGORY(lcTransfer)
