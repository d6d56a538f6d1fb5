#include "cli/write_choice.h"

KxWriteSettings ChooseWriteSettings(const ConversionSession& session, const CliSettings& settings, std::ostream&) {
    return session.WriteSettings(settings.der, settings.cipher, settings.iterations);
}
