#include "doc/chain_record.h"

#include "doc/log_line.h"

const char* ReasonCode(DropReason reason) {
    switch (reason) {
    case DropReason::IssuerAbsent: return "issuer-absent";
    case DropReason::IssuerDropped: return "issuer-dropped";
    case DropReason::Sibling: return "sibling";
    case DropReason::SelfSignedNotTop: return "self-signed-not-top";
    case DropReason::TooDeep: return "too-deep";
    case DropReason::RequestNotTop: return "request-not-top";
    case DropReason::IssuerNotOnChain: return "issuer-not-on-chain";
    case DropReason::NoMatchingCertificate: return "no-matching-certificate";
    case DropReason::CertificateDropped: return "certificate-dropped";
    case DropReason::MatchesOtherDepth: return "matches-other-depth";
    case DropReason::AnotherKeyPlaced: return "another-key-placed";
    case DropReason::NotUsed: return "not-used";
    case DropReason::CleanedEarly: return "cleaned-early";
    }
    return "not-used";
}

void WriteChainLog(const ChainRecord& record, CString* log) {
    if (!record.arranged || !log) return;
    log->clear();
    for (const BagFate& fate : record.given) AppendLogLine(log, "++Check One PKCS#12Bag, type=%d\r\n", fate.type);
    for (const ChainPlacement& placement : record.placements) {
        switch (placement.kind) {
        case ChainPlacement::Top:
            AppendLogLine(log, "TOP - %s --%d\r\n", placement.subject.c_str(), placement.depth);
            break;
        case ChainPlacement::Certificate:
            AppendLogLine(log, "UCERT - %s --%d\r\n", placement.subject.c_str(), placement.depth);
            break;
        case ChainPlacement::Crl: AppendLogLine(log, "CRL -- %d\r\n", placement.depth); break;
        case ChainPlacement::Key: AppendLogLine(log, "Private Key -- %d\r\n", placement.depth); break;
        }
    }
    for (std::size_t index : record.cleaned)
        AppendLogLine(log, "--Clean One PKCS#12Bag, type=%d\r\n", record.given[index].type);
}
