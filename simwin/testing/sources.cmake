target_sources(simwin PRIVATE testing/fault_rules.cpp testing/journal.cpp testing/ledger.cpp)
