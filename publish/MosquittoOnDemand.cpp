// libmosquitto, and OpenSSL with it, is loaded the first time a broker is
// named, not at every start of the program: the program does not link it.
// These are the library's functions the publisher uses, each passing its
// call on to the library's own, found on the first call. Without the library
// a client cannot be made (mosquitto_new fails with ELIBACC, which the
// publisher reports), so the functions that take a client are never reached.
#include <dlfcn.h>
#include <mosquitto.h>

#include <cerrno>

namespace {

// Debian's libmosquitto1, the package the program depends on.
constexpr char kLibrary[] = "libmosquitto.so.1";

void* Library() {
  static void* const library = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
  return library;
}

template <typename Function>
Function* Real(const char* name) {
  void* library = Library();
  return library == nullptr ? nullptr : reinterpret_cast<Function*>(dlsym(library, name));
}

constexpr char kNoLibrary[] = "libmosquitto.so.1 cannot be loaded";

}  // namespace

// Each function finds the library's own once, under its own name.
#define PELMOR_REAL(name) static auto* const real = Real<decltype(name)>(#name)

int mosquitto_lib_init() {
  PELMOR_REAL(mosquitto_lib_init);
  return real != nullptr ? real() : MOSQ_ERR_NOT_SUPPORTED;
}

int mosquitto_lib_cleanup() {
  PELMOR_REAL(mosquitto_lib_cleanup);
  return real != nullptr ? real() : MOSQ_ERR_NOT_SUPPORTED;
}

mosquitto* mosquitto_new(const char* id, bool clean_session, void* obj) {
  PELMOR_REAL(mosquitto_new);
  if (real == nullptr) {
    errno = ELIBACC;
    return nullptr;
  }
  return real(id, clean_session, obj);
}

void mosquitto_destroy(mosquitto* mosq) {
  PELMOR_REAL(mosquitto_destroy);
  if (real != nullptr) real(mosq);
}

const char* mosquitto_strerror(int mosq_errno) {
  PELMOR_REAL(mosquitto_strerror);
  return real != nullptr ? real(mosq_errno) : kNoLibrary;
}

const char* mosquitto_connack_string(int connack_code) {
  PELMOR_REAL(mosquitto_connack_string);
  return real != nullptr ? real(connack_code) : kNoLibrary;
}

int mosquitto_threaded_set(mosquitto* mosq, bool threaded) {
  PELMOR_REAL(mosquitto_threaded_set);
  return real != nullptr ? real(mosq, threaded) : MOSQ_ERR_NOT_SUPPORTED;
}

int mosquitto_int_option(mosquitto* mosq, mosq_opt_t option, int value) {
  PELMOR_REAL(mosquitto_int_option);
  return real != nullptr ? real(mosq, option, value) : MOSQ_ERR_NOT_SUPPORTED;
}

int mosquitto_username_pw_set(mosquitto* mosq, const char* username, const char* password) {
  PELMOR_REAL(mosquitto_username_pw_set);
  return real != nullptr ? real(mosq, username, password) : MOSQ_ERR_NOT_SUPPORTED;
}

int mosquitto_will_set(mosquitto* mosq, const char* topic, int payloadlen, const void* payload,
                       int qos, bool retain) {
  PELMOR_REAL(mosquitto_will_set);
  return real != nullptr ? real(mosq, topic, payloadlen, payload, qos, retain)
                         : MOSQ_ERR_NOT_SUPPORTED;
}

int mosquitto_tls_set(mosquitto* mosq, const char* cafile, const char* capath, const char* certfile,
                      const char* keyfile,
                      int (*pw_callback)(char* buf, int size, int rwflag, void* userdata)) {
  PELMOR_REAL(mosquitto_tls_set);
  return real != nullptr ? real(mosq, cafile, capath, certfile, keyfile, pw_callback)
                         : MOSQ_ERR_NOT_SUPPORTED;
}

void mosquitto_connect_callback_set(mosquitto* mosq, void (*on_connect)(mosquitto*, void*, int)) {
  PELMOR_REAL(mosquitto_connect_callback_set);
  if (real != nullptr) real(mosq, on_connect);
}

void mosquitto_disconnect_callback_set(mosquitto* mosq,
                                       void (*on_disconnect)(mosquitto*, void*, int)) {
  PELMOR_REAL(mosquitto_disconnect_callback_set);
  if (real != nullptr) real(mosq, on_disconnect);
}

void mosquitto_publish_callback_set(mosquitto* mosq, void (*on_publish)(mosquitto*, void*, int)) {
  PELMOR_REAL(mosquitto_publish_callback_set);
  if (real != nullptr) real(mosq, on_publish);
}

void mosquitto_log_callback_set(mosquitto* mosq,
                                void (*on_log)(mosquitto*, void*, int, const char*)) {
  PELMOR_REAL(mosquitto_log_callback_set);
  if (real != nullptr) real(mosq, on_log);
}

int mosquitto_connect_async(mosquitto* mosq, const char* host, int port, int keepalive) {
  PELMOR_REAL(mosquitto_connect_async);
  return real != nullptr ? real(mosq, host, port, keepalive) : MOSQ_ERR_NOT_SUPPORTED;
}

int mosquitto_reconnect_async(mosquitto* mosq) {
  PELMOR_REAL(mosquitto_reconnect_async);
  return real != nullptr ? real(mosq) : MOSQ_ERR_NOT_SUPPORTED;
}

int mosquitto_loop_start(mosquitto* mosq) {
  PELMOR_REAL(mosquitto_loop_start);
  return real != nullptr ? real(mosq) : MOSQ_ERR_NOT_SUPPORTED;
}

int mosquitto_loop(mosquitto* mosq, int timeout, int max_packets) {
  PELMOR_REAL(mosquitto_loop);
  return real != nullptr ? real(mosq, timeout, max_packets) : MOSQ_ERR_NOT_SUPPORTED;
}

int mosquitto_disconnect(mosquitto* mosq) {
  PELMOR_REAL(mosquitto_disconnect);
  return real != nullptr ? real(mosq) : MOSQ_ERR_NOT_SUPPORTED;
}

int mosquitto_publish(mosquitto* mosq, int* mid, const char* topic, int payloadlen,
                      const void* payload, int qos, bool retain) {
  PELMOR_REAL(mosquitto_publish);
  return real != nullptr ? real(mosq, mid, topic, payloadlen, payload, qos, retain)
                         : MOSQ_ERR_NOT_SUPPORTED;
}

const char* mosquitto_reason_string(int reason_code) {
  PELMOR_REAL(mosquitto_reason_string);
  return real != nullptr ? real(reason_code) : kNoLibrary;
}

void mosquitto_connect_v5_callback_set(mosquitto* mosq,
                                       void (*on_connect)(mosquitto*, void*, int, int,
                                                          const mosquitto_property*)) {
  PELMOR_REAL(mosquitto_connect_v5_callback_set);
  if (real != nullptr) real(mosq, on_connect);
}

void mosquitto_disconnect_v5_callback_set(mosquitto* mosq,
                                          void (*on_disconnect)(mosquitto*, void*, int,
                                                                const mosquitto_property*)) {
  PELMOR_REAL(mosquitto_disconnect_v5_callback_set);
  if (real != nullptr) real(mosq, on_disconnect);
}

void mosquitto_publish_v5_callback_set(mosquitto* mosq,
                                       void (*on_publish)(mosquitto*, void*, int, int,
                                                          const mosquitto_property*)) {
  PELMOR_REAL(mosquitto_publish_v5_callback_set);
  if (real != nullptr) real(mosq, on_publish);
}

void mosquitto_message_v5_callback_set(mosquitto* mosq,
                                       void (*on_message)(mosquitto*, void*,
                                                          const mosquitto_message*,
                                                          const mosquitto_property*)) {
  PELMOR_REAL(mosquitto_message_v5_callback_set);
  if (real != nullptr) real(mosq, on_message);
}

void mosquitto_unsubscribe_v5_callback_set(mosquitto* mosq,
                                           void (*on_unsubscribe)(mosquitto*, void*, int,
                                                                  const mosquitto_property*)) {
  PELMOR_REAL(mosquitto_unsubscribe_v5_callback_set);
  if (real != nullptr) real(mosq, on_unsubscribe);
}

int mosquitto_subscribe_multiple(mosquitto* mosq, int* mid, int sub_count, char* const* const sub,
                                 int qos, int options, const mosquitto_property* properties) {
  PELMOR_REAL(mosquitto_subscribe_multiple);
  return real != nullptr ? real(mosq, mid, sub_count, sub, qos, options, properties)
                         : MOSQ_ERR_NOT_SUPPORTED;
}

int mosquitto_unsubscribe_multiple(mosquitto* mosq, int* mid, int sub_count, char* const* const sub,
                                   const mosquitto_property* properties) {
  PELMOR_REAL(mosquitto_unsubscribe_multiple);
  return real != nullptr ? real(mosq, mid, sub_count, sub, properties) : MOSQ_ERR_NOT_SUPPORTED;
}
