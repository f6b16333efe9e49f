#pragma once

#include <QString>

// Fixed facts about the program, shown in its windows.
namespace product {

inline QString makerWebsite()
{
    return QStringLiteral("http://www.lexivo.com");
}
inline QString supportEmail()
{
    return QStringLiteral("support@lexivo.com");
}

} // namespace product
