// qa_report_output.h - the qa report as lines of text, the ACR's criterion
// and PASS or FAIL beside each number, and as JSON.
#pragma once

#include <QJsonObject>

#include <string>

#include "lab/measure/qa_report.h"

namespace lab {

std::string QaReportText(const QaReport& report);
QJsonObject QaReportJson(const QaReport& report);

}  // namespace lab
