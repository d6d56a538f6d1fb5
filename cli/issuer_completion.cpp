#include "cli/issuer_completion.h"

#include "crypto/trust_store.h"
#include "doc/chain_completion.h"

void CompleteIssuers(ConversionSession& session, const CliSettings& settings, std::ostream& diagnostics) {
    const P12* inputs = session.document().m_pBags.get();
    // Asked of the inputs alone: a bundle of roots among them is what the arranging rules take a top from.
    if (const int roots = inputs ? LonelyRoots(*inputs) : 0; roots >= 2)
        diagnostics << "quillon-cli: the inputs hold " << roots
                    << " self-signed certificates that issued nothing else among them (a CA bundle?); give it "
                       "with --ca-file instead\n";
    if (settings.caFiles.empty() && settings.caDirs.empty() && !settings.systemCa) return;

    KxTrustStore store;
    for (const std::string& file : settings.caFiles) store.AddFile(file);
    for (const std::string& dir : settings.caDirs) store.AddDirectory(dir);
    if (settings.systemCa) store.AddSystemDefault();
    // After completion: the system's folder is read only as issuers are looked up.
    if (session.accepted() != 0) session.CompleteFrom(store);
    for (const KxStoreSkip& skip : store.Skipped())
        diagnostics << "quillon-cli: trust store: skipped " << skip.file << " (" << skip.reason << ")\n";
    if (session.accepted() == 0) return;
    // One by one, each input was arranged as it came; the issuers join the chain in one more arrangement.
    if (settings.oneByOne) session.Arrange();
}
