#include "reporter/json_writer.hpp"

#include <nlohmann/json.hpp>

using Json = nlohmann::ordered_json;

namespace {

Json TimeOrNull(const std::optional<int64_t>& local) {
  return local ? Json(LocalTimeText(*local)) : Json(nullptr);
}

Json FiguresJson(const Figures& f, const StatisticsRules& rules) {
  Json j;
  bool any = f.readings > 0;
  j["readings"] = f.readings;
  j["minimum"] = any ? Json(f.minimum) : Json(nullptr);
  j["minimum_time"] = any ? Json(LocalTimeText(f.minimum_time)) : Json(nullptr);
  j["maximum"] = any ? Json(f.maximum) : Json(nullptr);
  j["maximum_time"] = any ? Json(LocalTimeText(f.maximum_time)) : Json(nullptr);
  j["mean"] = any ? Json(f.Mean()) : Json(nullptr);
  j["mkt"] = any ? Json(MeanKineticTemperature(f, rules)) : Json(nullptr);
  j["above_high_s"] = f.above_high_s;
  j["below_low_s"] = f.below_low_s;
  j["missing_s"] = f.missing_s;
  return j;
}

Json OptionsJson(const ReportData& data) {
  const ReportOptions& o = data.options;
  Json j;
  j["program"] = "brenreport";
  j["version"] = data.version;
  j["made"] = data.made;
  j["title"] = o.title;
  j["source"] = o.source;
  j["from"] = TimeOrNull(o.from);
  j["to"] = TimeOrNull(o.to);
  j["high"] = o.high ? Json(*o.high) : Json(nullptr);
  j["low"] = o.low ? Json(*o.low) : Json(nullptr);
  j["stale_s"] = o.stale_s;
  j["unit"] = std::string(1, UnitLetter(o.unit));
  j["activation_energy_kj_per_mol"] = o.activation_energy_kj;
  j["alarm_log"] = o.alarm_log.empty() ? Json(nullptr) : Json(o.alarm_log);
  return j;
}

// "name": [ one element per line ]
template <class Each>
void PutList(ReportText& out, const char* name, Each each, bool last = false) {
  out.Put(std::string("  \"") + name + "\": [");
  bool first = true;
  each([&](const Json& element) {
    out.Put(first ? "\n    " : ",\n    ");
    out.Put(element.dump());
    first = false;
  });
  out.Put(first ? "]" : "\n  ]");
  out.Put(last ? "\n" : ",\n");
}

}  // namespace

void WriteJson(const ReportData& data, ReportText& out) {
  const StatisticsRules& rules = data.rules;
  out.Put("{\n  \"report\": " + OptionsJson(data).dump() + ",\n");
  Json period = FiguresJson(data.period, rules);
  period["from"] = TimeOrNull(data.options.from);
  period["to"] = TimeOrNull(data.options.to);
  out.Put("  \"period\": " + period.dump() + ",\n");
  PutList(out, "days", [&](auto put) {
    for (const DayFigures& day : data.days) {
      Json j;
      j["day"] = DayText(day.day);
      j.update(FiguresJson(day.figures, rules));
      put(j);
    }
  });
  PutList(out, "excursions", [&](auto put) {
    data.excursions.ForEach([&](const Excursion& e) {
      put(Json{{"kind", e.kind == ExcursionKind::kHigh ? "high" : "low"},
               {"start", LocalTimeText(e.start)},
               {"end", LocalTimeText(e.end)},
               {"ongoing", e.ongoing},
               {"duration_s", e.duration_s},
               {"peak", e.peak},
               {"readings", e.readings}});
    });
  });
  PutList(out, "gaps", [&](auto put) {
    data.gaps.ForEach([&](const Gap& g) {
      put(Json{{"from", LocalTimeText(g.from)},
               {"to", LocalTimeText(g.to)},
               {"duration_s", g.duration_s}});
    });
  });
  PutList(out, "events", [&](auto put) {
    data.events.ForEach([&](const AlarmEvent& e) {
      put(Json{{"time", e.time.View()},
               {"event", e.event.View()},
               {"kind", e.kind.View()},
               {"value", e.value.View()},
               {"limit", e.limit.View()}});
    });
  });
  PutList(
      out, "files",
      [&](auto put) {
        for (const LogFileFacts& f : data.files) {
          put(Json{{"name", f.name},
                   {"bytes", f.bytes},
                   {"sha256", f.sha256},
                   {"records", f.records},
                   {"first_time", TimeOrNull(f.first_time)},
                   {"last_time", TimeOrNull(f.last_time)}});
        }
      },
      true);
  out.Put("}\n");
}
