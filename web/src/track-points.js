// Counts the track points of a KML document while it is being written: the
// lines between the path's opening `<coordinates>`, which ends its line,
// and the next `</coordinates>`. The reference point's coordinates share
// their line with the tags, so they are not counted.

const OPENING = new TextEncoder().encode('<coordinates>');
const LINE_FEED = 10;
const CARRIAGE_RETURN = 13;
const LESS_THAN = 60;

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
  }

  add(bytes) {
    let at = 0;
    while (at < bytes.length && this.state !== DONE) {
      if (this.state === LOOKING) {
        at = this.findOpening(bytes, at);
      } else {
        // A line ends in LF; the first '<' after the opening is the closing.
        // One plain loop: a search call a line would cost more.
        let points = this.points;
        for (; at < bytes.length; ++at) {
          const byte = bytes[at];
          if (byte === LINE_FEED) {
            ++points;
          } else if (byte === LESS_THAN) {
            this.state = DONE;
            break;
          }
        }
        this.points = points;
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
