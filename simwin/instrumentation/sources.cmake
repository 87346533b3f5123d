# Fault rules, the call journal and the ledger, on both platforms.
set(SIMWIN_INSTRUMENTATION_SOURCES
    instrumentation/fault_rules.cpp
    instrumentation/journal.cpp
    instrumentation/ledger.cpp)
