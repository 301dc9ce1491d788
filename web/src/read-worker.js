// Reads one log ahead of the converter, slice after slice, on a thread of
// its own, so that reading and converting overlap.
//
// In:  { file, sliceSize, ahead }, then { used: true } for each slice used.
// Out: { buffer } for each slice in order, transferred; { error } once a
//      read fails (a file changed since it was chosen).

let credit = 0;
let wake = null;

self.onmessage = ({ data }) => {
  if (data.file !== undefined) {
    read(data);
  } else {
    ++credit;
    wake?.();
  }
};

async function read({ file, sliceSize, ahead }) {
  credit = ahead;
  const reader = new FileReaderSync();
  for (let position = 0; position < file.size; position += sliceSize) {
    while (credit === 0) await new Promise(resolve => { wake = resolve; });
    --credit;
    let buffer;
    try {
      buffer = reader.readAsArrayBuffer(file.slice(position, position + sliceSize));
    } catch (error) {
      self.postMessage({ error: String(error) });
      return;
    }
    self.postMessage({ buffer }, [buffer]);
  }
}
