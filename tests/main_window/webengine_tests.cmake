# Suites against the real QtWebEngine, with their pages served from 127.0.0.1. They need a
# display (scripts/test runs them under Xvfb) and, as root, QTWEBENGINE_DISABLE_SANDBOX=1
# (scripts/test sets it then).
find_package(Qt6 REQUIRED COMPONENTS Network)

foreach(name tst_webengine_browser tst_real_browser_lookup tst_browser_security tst_lookup_load
        tst_renderer_recovery)
    lexivo_add_test(${name} WEBENGINE
        SOURCES ${name}.cpp ../support/local_http_server.h ../support/local_http_server.cpp
        LIBS lexivo_webengine lexivo_test_support Qt6::Network)
endforeach()

# The main window's focus order with the real view.
lexivo_add_test(tst_real_window_focus WEBENGINE SOURCES tst_real_window_focus.cpp
    LIBS lexivo_webengine lexivo_test_support)

# A thousand lookups in a row; "ctest -LE load" leaves it out of a quick run. Composed with
# Qt Quick's software scene graph, as the program is.
find_package(Qt6 REQUIRED COMPONENTS Quick)
target_link_libraries(tst_lookup_load PRIVATE Qt6::Quick)
set_property(TEST tst_lookup_load APPEND PROPERTY LABELS load)

# The browser's own commands: keys, zoom, find, print, context menu, the page for a site that
# cannot be reached. Host names other than 127.0.0.1 fail inside the engine: no DNS lookup.
lexivo_add_test(tst_browser_actions WEBENGINE
    SOURCES tst_browser_actions.cpp ../support/local_http_server.h ../support/local_http_server.cpp
    LIBS lexivo_webengine lexivo_test_support Qt6::Network)
set_property(TEST tst_browser_actions APPEND PROPERTY ENVIRONMENT
    "QTWEBENGINE_CHROMIUM_FLAGS=--host-resolver-rules=\"MAP * ~NOTFOUND, EXCLUDE 127.0.0.1\"")
