#include "update/module1.h"

namespace veltrano::update {

using automation::Value;

namespace {

// The numbers the two classes take and give, as they have always defined them.
constexpr std::int32_t kRequestComplete = 4;
constexpr std::int16_t kStreamBinary = 1, kStreamText = 2, kStreamReadWrite = 3;

}  // namespace

std::optional<std::string> FetchPageText(const std::string& url, const automation::Registry& registry) {
  automation::ObjectPtr request = registry.create("MSXML2.XMLHTTP");
  const Value open_args[] = {"GET", url, false};
  request->call("Open", open_args);
  request->call("send", {});

  std::optional<std::string> text;
  if (request->get("readystate").to_int32() == kRequestComplete) {
    // An error page is no version document.
    const std::int32_t status = request->get("status").to_int32();
    if (status >= 200 && status <= 299) text = DecodeBytes(request->get("responseBody").to_bytes(), "GB2312", registry);
  }
  return text;
}

std::string DecodeBytes(const automation::Bytes& bytes, const std::string& charset,
                        const automation::Registry& registry) {
  automation::ObjectPtr stream = registry.create("adodb.stream");
  stream->put("Type", kStreamBinary);
  stream->put("Mode", kStreamReadWrite);
  stream->call("Open", {});
  const Value data(bytes);
  stream->call("Write", {&data, 1});
  stream->put("Position", std::int16_t{0});
  stream->put("Type", kStreamText);
  stream->put("Charset", charset);
  std::string text = stream->call("ReadText", {}).to_string();
  stream->call("Close", {});
  return text;
}

}  // namespace veltrano::update
