target_sources(simwin PRIVATE
    security/capabilities.cpp
    security/process_token.cpp
    security/token_information.cpp)
