// report/maker_site.h
//
// The maker's web server: it receives the usage reports and holds the product and support
// pages. Its host is a setting: VELOTUNE_REPORT_HOST when set and not empty (tests point it at a
// loopback server, "127.0.0.1:8080"), else the host compiled in. The environment is read at every
// call, so a changed setting applies to the next request.
//
// Threading: any thread.
#pragma once

#include <QString>

namespace velotune {

// The web server's host, optionally with ":port".
QString ReportServerHost();

// The product page ("/products/velostn/") and the support page: "http://" + host + path.
QString ProductPageUrl();
QString SupportPageUrl();

}  // namespace velotune
