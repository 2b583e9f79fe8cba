#pragma once
// The plotter stream: a sink that takes bytes (a string in tests, a channel
// for files, the parallel port and, with its handshake, a serial line) and
// the two writers every HP-GL text goes through, with the number forms the
// commands use.
#include <string>
#include <string_view>

namespace vorn {

class ChannelTable;

// Where plotter text goes. Text is UTF-8; a sink converts it for its device.
class PlotSink {
 public:
  virtual ~PlotSink() = default;
  virtual void send(std::string_view text) = 0;
};

// Keeps everything sent (tests, the command line before writing a file).
class StringSink : public PlotSink {
 public:
  void send(std::string_view text) override { text_.append(text); }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

// Prints to an open channel (a file or "LPTn"), code page 932. Text is
// gathered into pieces of a few kilobytes (one conversion each); flush()
// prints what is left and must come before the channel is closed.
class ChannelSink : public PlotSink {
 public:
  ChannelSink(ChannelTable& channels, int channel) : channels_(channels), channel_(channel) {}
  void send(std::string_view text) override;
  void flush();

 private:
  ChannelTable& channels_;
  int channel_;
  std::string pending_;
};

// Numbers inside commands. A stored value (setting, coordinate) prints in
// the runtime's plain form of a single: leading blank or "-", shortest
// digits. A value computed inside a command (products, sums) keeps double
// precision: fixed form, at most 9 significant digits and 6 decimals,
// trailing zeros dropped. Neither ever takes an exponent form, which a
// plotter would read as two numbers.
std::string hpSingle(float v);
std::string hpComputed(double v);

class HpglWriter {
 public:
  explicit HpglWriter(PlotSink& sink) : sink_(sink) {}
  // The command text followed by ";".
  void command(std::string_view text);
  // "LB", the text without control characters (one would end the label
  // early and let the rest run as commands), and the end code 3.
  void label(std::string_view text);

 private:
  PlotSink& sink_;
};

}  // namespace vorn
