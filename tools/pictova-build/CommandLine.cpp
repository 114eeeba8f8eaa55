// The command line of pictova-build: options, per-image options and the usage text.
#include <algorithm>
#include <charconv>
#include <filesystem>

#include "pictova-build/ShowBuilder.h"

namespace pictova {

const char* const kBuildUsage =
    "usage: pictova-build -o SHOW [options] PICTURE|FOLDER[:style=N,delay=N,reverse,clear] ...\n"
    "       pictova-build --list SHOW\n"
    "\n"
    "Builds a screen saver that plays a slideshow: a copy of the engine followed by the\n"
    "pictures, their index and the show's settings. The show is written to a temporary file\n"
    "beside SHOW and renamed only when complete.\n"
    "\n"
    "  -o, --output SHOW   the show to write (replaced if it exists)\n"
    "  --engine ENGINE     the engine to copy (default: pictova-saver, or on Windows\n"
    "                      pictova-saver.scr, pictova-saver64.scr for the 64-bit tool, in\n"
    "                      this tool's folder); either Windows engine may be given\n"
    "  --replace           the engine may already carry a show: it is left out\n"
    "  --title T           the window caption\n"
    "  --date D            the date shown in the about panel\n"
    "  --author A          who compiled the show, shown in the about panel\n"
    "  --notice T          a notice text, stored but not shown by the engine\n"
    "  --music FILE        background music; the show stores only its file name, and the\n"
    "                      engine plays it when a file of that name lies beside the show\n"
    "  --copy-music        copy the music file beside the show\n"
    "  --interval N        pause between pictures: (6 x N + 1) x 100 ms, N 0..255 (default 5)\n"
    "  --windowed          a window sized to each picture instead of the full screen\n"
    "  --centered          centre the pictures (and the window)\n"
    "  --truncate          cut texts and image names to 49 characters instead of refusing\n"
    "                      them (an image name keeps its extension)\n"
    "\n"
    "Pictures:\n"
    "  FOLDER              its pictures in natural name order (IMG_2 before IMG_10); other\n"
    "                      files in it are left out\n"
    "  --recursive         folders' subfolders too, each at its place in the order\n"
    "  --shuffle[=SEED]    a random order (the same again with the same SEED)\n"
    "  --styles S          the transitions: a list cycled in order (1,5,60-68), all (every\n"
    "                      style once, in order), or mix (default: varied, never the same\n"
    "                      family twice in a row); style=N of a picture wins\n"
    "  --no-auto-orient    keep pictures as stored; by default a photo whose EXIF orientation\n"
    "                      asks for a turn is turned upright (JPEG losslessly) and its tag reset\n"
    "  --fit WxH           scale larger pictures down to fit WxH (e.g. the screen), stored as\n"
    "                      JPEG of quality 90; smaller ones are kept as they are\n"
    "  --skip-bad          leave out files that are no readable picture instead of refusing\n"
    "  --jobs N            pictures prepared at once (default: one per processor)\n"
    "  --list SHOW         print the show's settings and its index, and check them\n"
    "  -h, --help          this text\n"
    "\n"
    "Per picture: style=N the transition (0..122), delay=N its speed, each step taking\n"
    "(N + 1) x 10 ms (0..255, default 5), reverse runs it backwards, clear blanks the screen\n"
    "first. The engine shows only names ending in .BMP .PCX .JPG .PNG .TIF .TGA or .GIF, and\n"
    "reads the format from the content: other names are stored under one it shows\n"
    "(photo.jpeg as photo.jpg, a number added where two would clash); HEIC/HEIF and WebP\n"
    "pictures are converted to JPEG. A file that is no picture is refused (exit 1) unless\n"
    "--skip-bad. --list shows each stored name next to the file it came from.\n"
    "\n"
    "Exit status: 0 done, 1 refused input or a damaged show, 2 a malformed command line.\n";

namespace {

// A decimal number of up to 18 digits; larger values are kept as "too large" so that the
// range check can say so.
int64_t ParseNumber(const std::string& text, const std::string& what) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
    throw EUsageError(what + " wants a number from 0, not '" + text + "'");
  if (text.size() > 18) return INT64_MAX;
  int64_t value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

bool IsImageOption(const std::string& token) {
  return token == "reverse" || token == "clear" || StartsWith(token, "style=") ||
         StartsWith(token, "delay=");
}

}  // namespace

TImageItem ParseImageItem(const std::string& argument) {
  TImageItem item;
  item.Path = argument;
  // The options follow the last colon, but only when they look like options: a colon may
  // also belong to the path (C:\pictures\a.jpg).
  const size_t colon = argument.rfind(':');
  if (colon == std::string::npos) return item;
  const std::string options = argument.substr(colon + 1);
  if (!IsImageOption(options.substr(0, options.find(',')))) return item;

  item.Path = argument.substr(0, colon);
  if (item.Path.empty()) throw EUsageError("image options without an image: '" + argument + "'");
  size_t start = 0;
  while (start <= options.size()) {
    const size_t comma = std::min(options.find(',', start), options.size());
    const std::string token = options.substr(start, comma - start);
    if (token == "reverse")
      item.Reverse = true;
    else if (token == "clear")
      item.Clear = true;
    else if (StartsWith(token, "style=")) {
      item.Style = ParseNumber(token.substr(6), item.Path + ": style");
      item.StyleGiven = true;
    }
    else if (StartsWith(token, "delay="))
      item.Delay = ParseNumber(token.substr(6), item.Path + ": delay");
    else
      throw EUsageError(item.Path + ": unknown image option '" + token +
                        "' (known: style=N, delay=N, reverse, clear)");
    start = comma + 1;
  }
  return item;
}

TBuildCommand ParseBuildCommandLine(const std::vector<std::string>& args) {
  TBuildCommand command;
  TBuildRequest& request = command.Request;
  bool listing = false;
  bool buildOptions = false;  // any option that only a build takes
  bool musicGiven = false;
  bool optionsEnded = false;
  bool stylesGiven = false;

  for (size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
      request.Images.push_back(ParseImageItem(arg));
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "-h" || arg == "--help") {
      command.Kind = ckHelp;
      return command;
    }
    // --name=value is the same as --name value.
    std::string inlineValue;
    bool hasInline = false;
    if (StartsWith(arg, "--")) {
      const size_t eq = arg.find('=');
      if (eq != std::string::npos) {
        inlineValue = arg.substr(eq + 1);
        arg.resize(eq);
        hasInline = true;
      }
    }
    auto value = [&]() -> std::string {
      if (hasInline) return inlineValue;
      if (i + 1 >= args.size()) throw EUsageError(arg + " wants a value");
      return args[++i];
    };
    auto flag = [&](bool& target) {
      if (hasInline) throw EUsageError(arg + " takes no value");
      target = true;
      buildOptions = true;
    };

    if (arg == "-o" || arg == "--output") {
      request.OutputPath = value();
      buildOptions = true;
    } else if (arg == "--engine") {
      request.EnginePath = value();
      buildOptions = true;
    } else if (arg == "--title") {
      request.Title = value();
      buildOptions = true;
    } else if (arg == "--date") {
      request.DateText = value();
      buildOptions = true;
    } else if (arg == "--author") {
      request.AuthorName = value();
      buildOptions = true;
    } else if (arg == "--notice") {
      request.NoticeText = value();
      buildOptions = true;
    } else if (arg == "--music") {
      request.MusicPath = value();
      musicGiven = true;
      buildOptions = true;
    } else if (arg == "--interval") {
      request.Interval = ParseNumber(value(), "--interval");
      buildOptions = true;
    } else if (arg == "--copy-music") {
      flag(request.CopyMusic);
    } else if (arg == "--windowed") {
      flag(request.Windowed);
    } else if (arg == "--centered" || arg == "--centred") {
      flag(request.Centered);
    } else if (arg == "--truncate") {
      flag(request.Truncate);
    } else if (arg == "--replace") {
      flag(request.Replace);
    } else if (arg == "--recursive") {
      flag(request.Recursive);
    } else if (arg == "--skip-bad") {
      flag(request.SkipBad);
    } else if (arg == "--auto-orient") {
      flag(request.Prepare.AutoOrient);
    } else if (arg == "--no-auto-orient") {
      bool set = false;
      flag(set);
      request.Prepare.AutoOrient = false;
    } else if (arg == "--shuffle") {
      request.Shuffle = true;
      buildOptions = true;
      if (hasInline) {
        request.ShuffleSeed = static_cast<uint64_t>(ParseNumber(inlineValue, "--shuffle"));
        command.ShuffleSeedGiven = true;
      }
    } else if (arg == "--styles") {
      request.Styles = ParseStylePlan(value());
      stylesGiven = true;
      buildOptions = true;
    } else if (arg == "--fit") {
      const std::string box = value();
      const size_t x = box.find_first_of("xX");
      if (x == std::string::npos) throw EUsageError("--fit wants WIDTHxHEIGHT, such as 1920x1080; not '" + box + "'");
      request.Prepare.FitWidth = static_cast<int32_t>(std::min<int64_t>(ParseNumber(box.substr(0, x), "--fit width"), 100000));
      request.Prepare.FitHeight = static_cast<int32_t>(std::min<int64_t>(ParseNumber(box.substr(x + 1), "--fit height"), 100000));
      if (request.Prepare.FitWidth < 16 || request.Prepare.FitHeight < 16)
        throw EUsageError("--fit " + box + ": a box of at least 16x16 pixels, please");
      buildOptions = true;
    } else if (arg == "--jobs") {
      request.Threads = static_cast<int>(std::min<int64_t>(ParseNumber(value(), "--jobs"), 64));
      if (request.Threads == 0) throw EUsageError("--jobs wants 1 or more");
      buildOptions = true;
    } else if (arg == "--list") {
      if (listing) throw EUsageError("--list takes one show");
      command.ListPath = value();
      listing = true;
    } else {
      throw EUsageError("unknown option " + arg);
    }
  }

  if (listing) {
    if (buildOptions || !request.Images.empty())
      throw EUsageError("--list takes the show's file and nothing else");
    command.Kind = ckList;
    return command;
  }
  if (request.OutputPath.empty()) throw EUsageError("no output: pass -o SHOW");
  if (request.Images.empty()) throw EUsageError("no images given");
  if (musicGiven && request.MusicPath.empty()) throw EUsageError("--music wants a file name");
  if (request.CopyMusic && !musicGiven) throw EUsageError("--copy-music without --music");
  // Without --styles the show gets the varied mix, the same for the same inputs.
  if (!stylesGiven) request.Styles.Mode = smMix;
  request.Styles.Seed = request.ShuffleSeed;
  command.Kind = ckBuild;
  return command;
}

std::string DefaultEnginePath(const std::string& toolPath) {
  const std::string folder = FolderOf(toolPath);
  if (folder.empty()) return kEngineFileName;
  return (std::filesystem::path(folder) / kEngineFileName).string();
}

}  // namespace pictova
