# Suites against the real QtWebEngine, with their pages served from 127.0.0.1.
find_package(Qt6 REQUIRED COMPONENTS Network)

lexivo_add_test(tst_webengine_browser WEBENGINE
    SOURCES tst_webengine_browser.cpp
            ../support/local_http_server.h ../support/local_http_server.cpp
    LIBS lexivo_webengine lexivo_test_support Qt6::Network)

# The engine will not start as root with its sandbox on, and CI runs the tests as root.
set_property(TEST tst_webengine_browser APPEND PROPERTY ENVIRONMENT QTWEBENGINE_DISABLE_SANDBOX=1)
