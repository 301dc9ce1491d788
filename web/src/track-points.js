// Counts the track points of a KML document while it is being written: the
// lines between the path's opening `<coordinates>`, which ends its line,
// and the next `</coordinates>`. The reference point's coordinates share
// their line with the tags, so they are not counted.
//
// A point's line is never shorter than "0.000000,0.000000,0.000000" and
// CR LF: every number has at least one digit, a point and six decimals,
// and an infinity or a NaN has eight bytes too ("1.#INF00"). So after each
// line end the next one is at least that far on, and the bytes in between
// need no look.

const OPENING = new TextEncoder().encode('<coordinates>');
const LINE_FEED = 10;
const CARRIAGE_RETURN = 13;
const LESS_THAN = 60;
const SHORTEST_LINE = 28;

const LOOKING = 0;
const COUNTING = 1;
const DONE = 2;

export class TrackPointCounter {
  constructor() {
    this.reset();
  }

  reset() {
    this.points = 0;
    this.state = LOOKING;
    // How much of OPENING the bytes seen last ended with, across writes.
    this.matched = 0;
    this.unseen = 0;
  }

  add(bytes) {
    let at = 0;
    while (at < bytes.length && this.state !== DONE) {
      if (this.state === LOOKING) {
        at = this.findOpening(bytes, at);
      } else {
        // A line ends in LF; the first '<' after the opening is the closing.
        const closing = bytes.indexOf(LESS_THAN, at);
        const end = closing < 0 ? bytes.length : closing;
        let points = this.points;
        for (at += this.unseen; at < end; ++at) {
          if (bytes[at] === LINE_FEED) {
            ++points;
            at += SHORTEST_LINE - 1;
          }
        }
        this.points = points;
        if (closing >= 0) {
          this.state = DONE;
        } else {
          // Bytes of the next write that cannot end a line.
          this.unseen = at - bytes.length;
          at = bytes.length;
        }
      }
    }
  }

  // Past OPENING followed by a line end, or to the end of bytes.
  findOpening(bytes, at) {
    for (; at < bytes.length; ++at) {
      const byte = bytes[at];
      if (this.matched === OPENING.length) {
        this.matched = 0;
        if (byte === LINE_FEED || byte === CARRIAGE_RETURN) {
          this.state = COUNTING;
          // The opening line's own LF comes before any point.
          --this.points;
          return at;
        }
      }
      if (byte === OPENING[this.matched]) {
        ++this.matched;
      } else {
        this.matched = byte === OPENING[0] ? 1 : 0;
      }
    }
    return at;
  }
}
