#include "tools/make/package/signature_certificates.h"

namespace {

// One DER element at `at` before `end`: its tag and where its contents lie. Only the
// definite lengths DER allows, at most four length bytes.
struct Element {
  unsigned char Tag = 0;
  std::size_t Begin = 0;  // of the whole element
  std::size_t Body = 0;
  std::size_t End = 0;
};

bool ReadElement(const std::string& der, std::size_t at, std::size_t end, Element* element) {
  if (at + 2 > end) return false;
  element->Tag = static_cast<unsigned char>(der[at]);
  element->Begin = at;
  std::size_t length = static_cast<unsigned char>(der[at + 1]);
  at += 2;
  if (length & 0x80) {
    const std::size_t bytes = length & 0x7f;
    if (bytes == 0 || bytes > 4 || at + bytes > end) return false;
    length = 0;
    for (std::size_t i = 0; i < bytes; ++i)
      length = length << 8 | static_cast<unsigned char>(der[at++]);
  }
  if (length > end - at) return false;
  element->Body = at;
  element->End = at + length;
  return true;
}

constexpr unsigned char Sequence = 0x30;
constexpr unsigned char ContextZero = 0xa0;  // [0], constructed

}  // namespace

bool SignatureCertificates(const std::string& signature, std::vector<std::string>* certificates) {
  certificates->clear();
  // Older osslsigncode versions write a PE file's signature with the WIN_CERTIFICATE
  // header in front: length, revision 2.0, type PKCS_SIGNED_DATA.
  const bool header =
      signature.size() > 8 && signature.compare(4, 4, std::string("\x00\x02\x02\x00", 4)) == 0;
  const std::string der = header ? signature.substr(8) : signature;
  // ContentInfo { contentType, [0] SignedData { version, digestAlgorithms,
  // encapContentInfo, [0] certificates, ... } }
  Element info, type, content, signedData, field;
  if (!ReadElement(der, 0, der.size(), &info) || info.Tag != Sequence ||
      !ReadElement(der, info.Body, info.End, &type) ||
      !ReadElement(der, type.End, info.End, &content) || content.Tag != ContextZero ||
      !ReadElement(der, content.Body, content.End, &signedData) || signedData.Tag != Sequence) {
    return false;
  }
  std::size_t at = signedData.Body;
  for (int skipped = 0; skipped < 3; ++skipped) {
    if (!ReadElement(der, at, signedData.End, &field)) return false;
    at = field.End;
  }
  if (!ReadElement(der, at, signedData.End, &field) || field.Tag != ContextZero) return false;
  for (at = field.Body; at < field.End;) {
    Element certificate;
    if (!ReadElement(der, at, field.End, &certificate)) return false;
    if (certificate.Tag == Sequence) {
      certificates->push_back(der.substr(certificate.Begin, certificate.End - certificate.Begin));
    }
    at = certificate.End;
  }
  return !certificates->empty();
}

std::string PemCertificate(const std::string& certificate) {
  static const char Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  for (std::size_t at = 0; at < certificate.size(); at += 3) {
    unsigned long group = static_cast<unsigned char>(certificate[at]) << 16;
    const std::size_t left = certificate.size() - at;
    if (left > 1) group |= static_cast<unsigned char>(certificate[at + 1]) << 8;
    if (left > 2) group |= static_cast<unsigned char>(certificate[at + 2]);
    for (std::size_t i = 0; i < 4; ++i) {
      text += i <= left ? Digits[(group >> (18 - 6 * i)) & 0x3f] : '=';
    }
  }
  std::string pem = "-----BEGIN CERTIFICATE-----\n";
  for (std::size_t at = 0; at < text.size(); at += 64) pem += text.substr(at, 64) + "\n";
  return pem + "-----END CERTIFICATE-----\n";
}
