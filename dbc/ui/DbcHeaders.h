#pragma once

// The DBC logic for widget code. A DBC message has a member named "signals",
// which Qt's keyword macro of that name would rewrite: the logic headers are
// read with the macro set aside. Widget code reaches a message's signals
// through MessageSignals.
#pragma push_macro("signals")
#undef signals
#include "dbc/DbcDatabase.h"
#include "dbc/DbcModel.h"
#include "dbc/DbcParser.h"
#include "dbc/DbcSession.h"
#include "dbc/SignalCodec.h"
#include "dbc/SignalFormat.h"
#pragma pop_macro("signals")
