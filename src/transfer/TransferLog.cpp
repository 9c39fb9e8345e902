#include "transfer/TransferLog.h"

Q_LOGGING_CATEGORY(lcTransfer, "qzm.transfer", QtWarningMsg)
