#include "cli/layout_run.h"

#include "cli/write_choice.h"
#include "doc/server_layout.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

namespace {

// A writer's output caught in memory: the writers take a descriptor, and an anonymous file is one that
// never reaches a disk. Only protected outputs (an encrypted key, a PKCS#12) pass through it.
template <typename Write>
std::optional<SecretString> WrittenToMemory(KxWriteSettings settings, Write write, KxWriteFailure& failure) {
    const int fd = ::memfd_create("quillon-layout", MFD_CLOEXEC);
    if (fd < 0) return std::nullopt;
    settings.fd = fd;
    std::optional<SecretString> bytes;
    struct stat status {};
    const KxWriteOutcome outcome = write(settings);
    failure = outcome.failure;
    if (outcome.written && ::fstat(fd, &status) == 0 && ::lseek(fd, 0, SEEK_SET) == 0) {
        std::string text(static_cast<std::size_t>(status.st_size), '\0');
        std::size_t got = 0;
        while (got < text.size()) {
            const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        if (got == text.size()) bytes = SecretString(std::move(text));
    }
    ::close(fd);
    return bytes;
}

// The write settings of `form` as --for, -c and --iter choose them for the layout's key or bundle. The
// pass-phrase sources are the provider's already, so the options are copied without them.
KxWriteSettings ProtectionFor(ConversionSession& session, const CliSettings& given, int form, bool der,
                              const PassProvider& passSource, std::ostream& diagnostics) {
    CliSettings settings;
    settings.form = form;
    settings.der = der;
    settings.cipherName = given.cipherName;
    settings.cipher = given.cipher;
    settings.iterations = given.iterations;
    settings.depth = given.depth;
    settings.target = given.target;
    settings.name = given.name;
    settings.layout = given.layout;
    settings.outDir = given.outDir;
    // A layout writes no output of the run's own form: the document's form is free to say which is made.
    session.document().m_nOutputForm = form;
    KxWriteSettings write = ChooseWriteSettings(session, settings, diagnostics);
    write.form = form;
    write.der = der;
    write.pass = passSource;
    return write;
}

}  // namespace

bool WriteLayoutSet(ConversionSession& session, const CliSettings& settings, const PassProvider& passSource,
                    std::ostream& diagnostics) {
    const P12* container = session.document().m_pBags.get();
    std::optional<ServerLayout> layout = ServerLayoutNamed(*settings.layout);
    if (!container || !layout) {
        diagnostics << "quillon-cli: nothing written: nothing to lay out\n";
        return false;
    }
    LayoutRequest request;
    request.layout = *layout;
    if (*layout == ServerLayout::K8s && settings.name) request.k8s_name = *settings.name;
    request.allow_incomplete = settings.allowIncomplete;
    request.key_among_inputs = session.keyRead();
    KxWriteFailure failure = KxWriteFailure::None;  // of the protected key's or the bundle's write
    const std::string& folder = *settings.outDir;
    // The source itself went to the pass-phrase provider; a moved-from optional still says it was given.
    if (settings.passout && *layout != ServerLayout::Pfx) {
        KxWriteSettings p8 = ProtectionFor(session, settings, FORM_PKCS8, false, passSource, diagnostics);
        p8.path = folder + "/" + (*layout == ServerLayout::Certbot ? "privkey.pem" : "the key");
        // An output pass phrase asks for the key encrypted, whatever cipher the form would start with.
        if (p8.key_cipher == KX_CIPHER_NONE) p8.key_cipher = KX_AES256;
        request.protect_key = [p8, &failure](const Key& key) {
            return WrittenToMemory(
                p8, [&key](const KxWriteSettings& s) { return PEM_write_p8enc(&key, s); }, failure);
        };
    }
    if (*layout == ServerLayout::Pfx) {
        KxWriteSettings p12 = ProtectionFor(session, settings, FORM_PKCS12, true, passSource, diagnostics);
        p12.path = folder + "/bundle.p12";
        request.make_pfx = [p12, container, &failure](const ServedChain&) -> std::optional<std::vector<unsigned char>> {
            // The arranged container holds exactly the chain, its key and CRLs, which the writer leaves out.
            std::optional<SecretString> bytes = WrittenToMemory(
                p12, [container](const KxWriteSettings& s) { return P12_write_file(container, s); }, failure);
            if (!bytes) return std::nullopt;
            return std::vector<unsigned char>(bytes->str().begin(), bytes->str().end());
        };
    }

    // The folder is made when only its last step is missing, and taken away again if the set fails.
    const bool made = ::mkdir(folder.c_str(), 0755) == 0;
    if (!made && errno != EEXIST) {
        diagnostics << "quillon-cli: nothing written: cannot make " << folder << " (" << std::strerror(errno) << ")\n";
        return false;
    }
    const SetOutcome outcome = WriteLayout(*container, request, folder);
    if (!outcome.written) {
        if (made) ::rmdir(folder.c_str());
        diagnostics << "quillon-cli: nothing written: "
                    << (outcome.failed_file.empty() ? "" : outcome.failed_file + ": ") << outcome.reason
                    << (failure == KxWriteFailure::NoPassPhrase        ? " (no output pass phrase: give --passout)"
                        : failure == KxWriteFailure::CipherUnavailable ? " (the cipher cannot be had here)"
                                                                       : "")
                    << "\n";
        return false;
    }
    session.AppendLog("Output " + *settings.layout + " layout into " + folder + "\r\n");
    return true;
}
