#pragma once

#include <string>
#include <vector>

/// The certificates a PKCS#7 SignedData structure in DER form (an Authenticode
/// signature as osslsigncode extract-signature writes it, with or without the
/// WIN_CERTIFICATE header of a PE file) carries, each in DER form, in their order. False
/// when `signature` is not such a structure.
bool SignatureCertificates(const std::string& signature, std::vector<std::string>* certificates);

/// `certificate` (DER) as a PEM block, "-----BEGIN CERTIFICATE-----" to its end line.
std::string PemCertificate(const std::string& certificate);
