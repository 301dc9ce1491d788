// The map: each converted document read by OpenLayers' KML reader and drawn
// with the document's own style (the track's yellow line), the view fitted
// to all of them. No background by default, so the map needs no network;
// the OpenStreetMap background is the user's choice.

import Map from 'ol/Map.js';
import View from 'ol/View.js';
import Attribution from 'ol/control/Attribution.js';
import ScaleLine from 'ol/control/ScaleLine.js';
import Zoom from 'ol/control/Zoom.js';
import KML from 'ol/format/KML.js';
import TileLayer from 'ol/layer/Tile.js';
import VectorLayer from 'ol/layer/Vector.js';
import OSM from 'ol/source/OSM.js';
import VectorSource from 'ol/source/Vector.js';
import CircleStyle from 'ol/style/Circle.js';
import Fill from 'ol/style/Fill.js';
import Style from 'ol/style/Style.js';

// The reader gives every style of a document the default icon of KML, an
// image on a web server, which OpenLayers loads as soon as a style with it
// is used: the tracks need no icon, and the reference point gets a dot.
const POINT_STYLE = new Style({
  image: new CircleStyle({ radius: 4, fill: new Fill({ color: '#ffd400' }) }),
});

export class TrackMap {
  constructor(target) {
    this.source = new VectorSource();
    this.tracks = 0;
    this.background = new TileLayer({ source: new OSM(), visible: false });
    this.format = new KML({ extractStyles: true, showPointNames: false });
    this.map = new Map({
      target,
      controls: [new Zoom(), new ScaleLine(),
                 new Attribution({ collapsible: false })],
      layers: [this.background, new VectorLayer({ source: this.source })],
      view: new View({ center: [0, 0], zoom: 1 }),
    });
  }

  /// Draws the tracks of one document's text; returns how many.
  addDocument(text) {
    const features = this.format.readFeatures(
      text, { featureProjection: this.map.getView().getProjection() });
    const tracks = features.filter(
      feature => feature.getGeometry()?.getType() === 'LineString');
    for (const feature of features) {
      if (!tracks.includes(feature)) {
        feature.setStyle(POINT_STYLE);
        continue;
      }
      const styles = [feature.getStyleFunction()?.(feature, 1)].flat()
        .filter(Boolean).map(style => style.clone());
      for (const style of styles) style.setImage(null);
      feature.setStyle(styles);
    }
    this.source.addFeatures(features);
    this.fit();
    this.tracks += tracks.length;
    // For whoever waits for the drawing, such as a test.
    this.map.getTargetElement().dataset.tracks = this.tracks;
    return tracks.length;
  }

  fit() {
    const extent = this.source.getExtent();
    if (!Number.isFinite(extent[0])) return;
    this.map.getView().fit(extent, { padding: [40, 40, 40, 40], maxZoom: 17 });
  }

  showBackground(shown) {
    this.background.setVisible(shown);
  }
}
