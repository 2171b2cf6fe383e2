#pragma once
// The program's log: one line per message on standard error, through Qt's message handler
// (category "lumory", info level), so tests can expect exact lines with QTest::ignoreMessage.

#include <QString>

void LMRLog(const QString &message);
