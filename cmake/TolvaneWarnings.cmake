# One interface target carries warnings and Qt hygiene; every first-party
# target links it instead of relying on global flags.
add_library(tolvane_warnings INTERFACE)
add_library(Tolvane::warnings ALIAS tolvane_warnings)
target_compile_options(tolvane_warnings INTERFACE -Wall -Wextra)
target_compile_definitions(tolvane_warnings INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_KEYWORDS
    QT_NO_FOREACH
    QT_USE_QSTRINGBUILDER
    TOLVANE_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
    TOLVANE_VERSION_MINOR=${PROJECT_VERSION_MINOR}
    TOLVANE_VERSION_PATCH=${PROJECT_VERSION_PATCH}
    TOLVANE_VERSION_TEXT="${PROJECT_VERSION}")

option(TOLVANE_SANITIZE "Build with AddressSanitizer and UBSan" OFF)
if(TOLVANE_SANITIZE)
    target_compile_options(tolvane_warnings INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer)
    target_link_options(tolvane_warnings INTERFACE -fsanitize=address,undefined)
endif()
